// The program's window, started with Yes, polling hart-loop-sim over a pseudo-terminal.

#include "tests/ui/window_fixture.h"

#include "core/loop_session.h"
#include "field/field_model.h"
#include "net/hartip_session.h"
#include "protocol/polling_cycle.h"
#include "serial/port_controller.h"
#include "ui/board_widget.h"
#include "ui/details_panel.h"
#include "ui/explanation_table.h"
#include "ui/instrument_view.h"
#include "ui/lamp_widget.h"
#include "ui/loop_check_panel.h"
#include "ui/network_window.h"
#include "ui/sub_device_table_model.h"
#include "ui/trend_plot.h"
#include "ui/window_layers.h"

#include "helpers.h"
#include "simulated_loop.h"
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTcpServer>
#include <QTest>
#include <QToolTip>

using protocol::Column;

// A loopback port free a moment ago, for a simulator to serve HART-IP on; 0 when none was.
static quint16 freeLoopbackPort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

class LoopWindowTest : public QObject {
    Q_OBJECT

private slots:
    void yesShowsTheDefaultLoop();
    void recordsWhatTheLoopAnswers();
    void detailsAndTheLoopCheck();
    void pointToPointCheckFindsDrift();
    void pollsOverHartIp_data();
    void pollsOverHartIp();
    void gatewayInstrumentsInTheNetworkWindow();
    void pollsWhenTheServerComes_data();
    void pollsWhenTheServerComes();
};

namespace {

// The simulator answers within milliseconds, but a loaded machine running the sanitizer build
// can take tens of them: each step waits this long before the test ends its answer wait.
constexpr int kStepWaitMs = 150;

// One pass over the sixteen addresses and the three instruments' commands 13 and 3, each
// answer wait ended by the test.
void runOnePass(ui::Form1& window) {
    constexpr int kStepsPerPass = 16 + 2 * 3;
    for (int step = 1; step <= kStepsPerPass; ++step) {
        QTest::qWait(kStepWaitMs);
        window.cycle().Timer3_Timer();
    }
}

} // namespace

void LoopWindowTest::yesShowsTheDefaultLoop() {
    SimulatedLoop loop;
    QVERIFY(!loop.start().isEmpty());
    WindowRecorder recorder;
    auto window = startWindow(loop.path("settings") + QLatin1Char('/'), recorder);
    ui::WindowLayers layers(*window, nullptr);
    ui::FieldLayer& fieldLayer = layers.field;
    window->show();
    QCOMPARE(recorder.messages, QStringList());

    // Enter answers the question: the focus starts on Yes.
    QTest::keyClick(window->yesButton(), Qt::Key_Return);
    QVERIFY(!window->findChild<QGroupBox*>("Frame3")->isVisible());
    QCOMPARE(window->command1()->text(), QStringLiteral("STOP"));

    // The simulator answers within milliseconds; the test ends each answer wait itself
    // instead of sitting out 600 ms a step. Step 3 is command 3 to address 1.
    constexpr int kStepsPerPass = 16 + 2 * 3;
    QString answerToCommand3;
    QString lengthOfCommand3;
    for (int step = 1; step <= kStepsPerPass; ++step) {
        QTest::qWait(kStepWaitMs);
        window->cycle().Timer3_Timer();
        if (step == 3) {
            answerToCommand3 = window->text3()->toPlainText();
            lengthOfCommand3 = window->text1()->text();
        }
    }
    // Five preamble bytes, then the acknowledgement of command 3 with byte count 26, to the
    // primary master.
    QCOMPARE(lengthOfCommand3, QStringLiteral("40"));
    QVERIFY2(answerToCommand3.startsWith(" FF FF FF FF FF 86 BC 51 10 20 31 03 1A 00 00"),
             qPrintable(answerToCommand3));

    // Each instrument's row as the pass left it; the flow meter sends two variables only.
    const ui::BoardWidget& board = window->board();
    for (const auto& [row, tag] : {std::pair{2, "TT-202  "}, {5, "FT-305  "}}) {
        QCOMPARE(board.caption(Column::Label2, row), tag);
        QCOMPARE(board.colour(Column::Label15, row), protocol::kAnsweredColour);
    }
    QCOMPARE(board.caption(Column::Label1, 2), QStringLiteral("A43E0B5C7E"));
    QCOMPARE(board.colour(Column::Label16, 5), protocol::kIdleColour);
    QVERIFY(board.caption(Column::Label1, 3).trimmed().isEmpty());

    // The instrument view of row 1, opened from the board, follows what the pass received, in
    // the language in force.
    QTest::mouseDClick(board.cell(Column::Label2, 1), Qt::LeftButton);
    QCOMPARE(fieldLayer.views().size(), 1);
    ui::InstrumentView& view = *fieldLayer.views().front();
    QCOMPARE(view.address(), 1);
    QCOMPARE(view.stateLine()->text(), "Address 01: the instrument answers.");
    QCOMPARE(view.shownValue("long address"), "3C51102031");
    QCOMPARE(view.shownValue("tag"), "PT-101  ");
    QVERIFY2(view.shownValue("PV").endsWith(" kPa"), qPrintable(view.shownValue("PV")));
    QVERIFY(view.shownValue("loop current").endsWith(" mA"));
    QVERIFY(view.shownValue("QV") == "62.5 %");
    QVERIFY(!view.currentTrend().points().isEmpty());
    QVERIFY(view.explanation()->rowCount() > 10);
    window->mnu_rus_Click();
    QCOMPARE(view.stateLine()->text(), QString::fromUtf8("Адрес 01: прибор отвечает."));
    QCOMPARE(view.windowTitle(), QString::fromUtf8("Прибор 01 \u2014 PT-101"));
    QCOMPARE(view.explanation()->item(1, 1)->text(), QString::fromUtf8("разделитель"));
    // The dump in the port panel is explained in its tooltip: here the answer of address 1 to
    // the next pass's command 0.
    QTest::qWait(kStepWaitMs);
    window->cycle().Timer3_Timer();
    // Made when asked for, as a tooltip is: over the dump, in the language in force.
    const QPoint over(5, 5);
    QHelpEvent help(QEvent::ToolTip, over, window->text3()->mapToGlobal(over));
    QApplication::sendEvent(window->text3(), &help);
    QVERIFY2(QToolTip::text().contains(QString::fromUtf8("контрольный байт")),
             qPrintable(QToolTip::text()));

    // The first click on STOP ends the run and clears the board.
    window->Command1_Click();
    QCOMPARE(window->command1()->text(), QStringLiteral("RUN"));
    QCOMPARE(board.caption(Column::Label1, 1), QString());
    QVERIFY(!window->session().answerTimer().isArmed());
    // Nothing is known once the board is cleared; the view says so with its next refresh.
    QTRY_COMPARE(view.stateLine()->text(), QString::fromUtf8("Адрес 01: прибор не отвечает."));
    QVERIFY(loop.stop());
}

// Recording turned on from the menu writes a line per command-3 answer into the day's file in
// the results folders, shows where, and says so when the file cannot be written any more.
void LoopWindowTest::recordsWhatTheLoopAnswers() {
    SimulatedLoop loop;
    QVERIFY(!loop.start().isEmpty());
    WindowRecorder said;
    const QString settingsDir = loop.path("settings") + QLatin1Char('/');
    // Where the pass stood whenever a message box would have opened.
    QList<bool> insideStep, waitArmed;
    ui::Form1* shown = nullptr;
    ui::Form1Environment environment = testEnvironment(said);
    environment.showMessage = [&](const QString& text) {
        said.messages << text;
        insideStep << shown->cycle().isInsideStep();
        waitArmed << shown->session().answerTimer().isArmed();
    };
    auto window = makeWindow(settingsDir, environment);
    shown = window.get();
    window->Form_Load();
    QList<bool> remembered;
    ui::WindowLayers layers(*window, [&remembered](bool on) { remembered << on; });
    ui::RecordingLayer& recording = layers.recording;
    QAction& item = *window->findChild<QAction*>("mnu_Record");
    QCOMPARE(item.text(), "Record measurements");
    QVERIFY(!item.isChecked() && window->recordLine()->isHidden());
    const QString title = window->windowTitle();

    item.trigger();
    const QString file = settingsDir + "2026/December/2026-12-04.csv";
    QCOMPARE(remembered, QList<bool>{true});
    QVERIFY(item.isChecked() && !window->recordLine()->isHidden());
    QCOMPARE(window->recordLine()->text(), "Recording to: " + file);
    QCOMPARE(window->windowTitle(), title + QString::fromUtf8(" — ● recording"));
    window->mnu_rus_Click();
    QCOMPARE(item.text(), QString::fromUtf8("Записывать измерения"));
    QCOMPARE(window->recordLine()->text(), QString::fromUtf8("Запись в файл: ") + file);
    QVERIFY(window->windowTitle().endsWith(QString::fromUtf8(" — ● запись")));

    QTest::keyClick(window->yesButton(), Qt::Key_Return);
    runOnePass(*window);
    recording.recorder().waitUntilWritten();
    QFile csv(file);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 3 + 1); // the header, a line an instrument, nothing after the end
    QVERIFY(lines[0].startsWith("time,address,long_address,tag,loop_current_mA,pv,pv_unit,"));
    QStringList seen;
    for (const QByteArray& line : lines.mid(1, 3)) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        QCOMPARE(fields.size(), 15);
        QVERIFY2(cameBeforeRead(fields[0], fixedNow()), fields[0].constData());
        seen << QString::fromUtf8(fields[1] + ' ' + fields[2] + ' ' + fields[3] + ' ' + fields[6] +
                                  ' ' + fields[12]);
    }
    // The long address is the 38-bit one, master and burst bits clear, as the view shows it.
    QCOMPARE(seen, (QStringList{"1 3C51102031 PT-101 kPa %",
                                QString::fromUtf8("2 243E0B5C7E TT-202 °C °C"),
                                QString::fromUtf8("5 1F92004D21 FT-305 m³/h ")}));

    // The results folder went away: one message in the language in force, recording off,
    // polling on. The failure is made to come out inside a step (the line's write is waited
    // for as soon as its answer is decoded), where a message box would hold the pass until OK:
    // the message waits until the step is over and the next answer wait is armed.
    const QString gone = loop.path("gone") + QLatin1Char('/');
    window->settings().record().Results_Dir = gone;
    connect(&window->cycle(), &protocol::PollingCycle::answerDecoded, &recording,
            [&recording](const protocol::ReadAnswer& answer) {
                if (answer.command == 3)
                    recording.recorder().waitUntilWritten();
            });
    runOnePass(*window);
    QTRY_COMPARE(said.messages.size(), 1);
    QVERIFY2(said.messages[0].startsWith(QString::fromUtf8("Не удалось записать измерения в ")),
             qPrintable(said.messages[0]));
    QCOMPARE(insideStep, QList<bool>{false});
    QCOMPARE(waitArmed, QList<bool>{true});
    QVERIFY(!item.isChecked() && item.isEnabled());
    QVERIFY2(window->recordLine()->text().startsWith(QString::fromUtf8("Запись остановлена: ") +
                                                     gone + "2026/December/2026-12-04.csv: "),
             qPrintable(window->recordLine()->text()));
    QVERIFY(!window->windowTitle().contains(QString::fromUtf8("● запись")));
    QCOMPARE(window->command1()->text(), QStringLiteral("STOP"));
    QCOMPARE(remembered, QList<bool>{true});

    // The folder is back: recording is offered again, and the menu turns it on.
    recording.lookAgain();
    QVERIFY(window->recordLine()->text().startsWith(QString::fromUtf8("Запись остановлена: ")));
    QVERIFY(QDir().mkpath(gone));
    recording.lookAgain();
    QVERIFY2(window->recordLine()->text().contains(QString::fromUtf8("снова можно писать")),
             qPrintable(window->recordLine()->text()));
    item.trigger();
    QVERIFY(item.isChecked());
    runOnePass(*window);
    recording.recorder().waitUntilWritten();
    QVERIFY(QFile::exists(gone + "2026/December/2026-12-04.csv"));
    window->Command1_Click();
    QVERIFY(loop.stop());
}

// A view opened on the simulated loop reads the instrument's details beside the pass, in either
// language, without touching the board; on this multidrop loop the loop check says it cannot.
void LoopWindowTest::detailsAndTheLoopCheck() {
    SimulatedLoop loop;
    QVERIFY(!loop.start({"--log", loop.path("wire.log")}).isEmpty());
    WindowRecorder recorder;
    auto window = startWindow(loop.path("settings") + QLatin1Char('/'), recorder);
    ui::WindowLayers layers(*window, nullptr);
    QTest::keyClick(window->yesButton(), Qt::Key_Return);
    runOnePass(*window);
    const auto step = [&window](int steps) {
        for (int k = 0; k < steps; ++k) {
            QTest::qWait(kStepWaitMs);
            window->cycle().Timer3_Timer();
        }
    };
    const QString boardRow = ptest::cellText(window->board(), 5, protocol::kAllColumns);

    // The HART 7 flow meter: twelve commands, one step each, the pass paused meanwhile.
    ui::InstrumentView* view = layers.field.open(5);
    // Asked after the step under way; its answer's tick sends the first.
    QCOMPARE(window->cycle().queuedRequests(), 12);
    step(1 + 12);
    QCOMPARE(window->cycle().queuedRequests(), 0);
    // The view shows the last of them with its next refresh, a quarter second at most.
    QTRY_VERIFY(!view->detailsPanel()->text().contains("asking"));
    const QString english = view->detailsPanel()->text();
    for (const char* line :
         {"Long tag: FT-305 cooling water to E-12", "Transfer function: square root",
          "Upper range value: 100 m³/h", "Sensor serial number: 1202",
          "Loop current mode: disabled (multidrop)"})
        QVERIFY2(english.contains(QString::fromUtf8(line)), qPrintable(english));
    // On a multidrop loop the current says nothing of the flow: no check, and no difference.
    const auto& check = view->loopCheckPanel()->result();
    QVERIFY(check && check->reason == field::LoopCheckResult::Reason::LoopCurrentModeOff);
    QCOMPARE(view->loopCheckPanel()->verdictLine()->text(),
             "Cannot be checked: multidrop, the loop current mode is off.");
    // Nothing of it reached the board.
    QCOMPARE(ptest::cellText(window->board(), 5, protocol::kAllColumns), boardRow);

    window->mnu_rus_Click();
    const QString russian = view->detailsPanel()->text();
    QVERIFY2(russian.contains(QString::fromUtf8("Длинный тег: FT-305 cooling water to E-12")),
             qPrintable(russian));
    QVERIFY(view->loopCheckPanel()->verdictLine()->text().startsWith(
        QString::fromUtf8("Проверить нельзя: многоточечный режим")));

    // The HART 5 pressure transmitter: eight commands, no command 7; at polling address 1 it
    // is multidrop all the same.
    window->mnu_eng_Click();
    ui::InstrumentView* pressure = layers.field.open(1);
    step(1 + 8);
    QTRY_VERIFY(!pressure->detailsPanel()->text().contains("asking"));
    const QString hart5 = pressure->detailsPanel()->text();
    QVERIFY2(hart5.contains("Message: CALIBRATED 2026-03") && !hart5.contains("Long tag") &&
                 !hart5.contains("command 7"),
             qPrintable(hart5));
    QCOMPARE(pressure->loopCheckPanel()->result()->reason,
             field::LoopCheckResult::Reason::LoopCurrentModeOff);
}

// The flow meter alone on its pair, its current live: the loop check finds its drifted output.
void LoopWindowTest::pointToPointCheckFindsDrift() {
    SimulatedLoop loop;
    QVERIFY(!loop.start({"--loop", "point-to-point"}, 1).isEmpty());
    WindowRecorder recorder;
    auto window = startWindow(loop.path("settings") + QLatin1Char('/'), recorder);
    ui::WindowLayers layers(*window, nullptr);
    QTest::keyClick(window->yesButton(), Qt::Key_Return);
    for (int k = 0; k < 16 + 2; ++k) {
        QTest::qWait(kStepWaitMs);
        window->cycle().Timer3_Timer();
    }
    ui::InstrumentView* view = layers.field.open(0);
    for (int k = 0; k < 1 + 12; ++k) {
        QTest::qWait(kStepWaitMs);
        window->cycle().Timer3_Timer();
    }
    QTRY_VERIFY(view->detailsPanel()->text().contains("Loop current mode: enabled"));
    const auto& check = view->loopCheckPanel()->result();
    QVERIFY(check && check->verdict == field::LoopCheckResult::Verdict::Disagrees);
    QVERIFY2(std::abs(check->differenceMa - 0.35) < 0.01,
             qPrintable(QString::number(check->differenceMa)));
    QVERIFY(view->loopCheckPanel()->verdictLine()->text().startsWith("Disagrees by 0.35"));
    window->mnu_rus_Click();
    QVERIFY(view->loopCheckPanel()->verdictLine()->text().startsWith(
        QString::fromUtf8("Расходится на 0.35")));
    QVERIFY(loop.stop());
}

// The window on the network: hart-loop-sim served over HART-IP, given as the device at start-up.
// The lamp and the port line follow the session; the board fills as on the serial line.
void LoopWindowTest::pollsOverHartIp_data() {
    QTest::addColumn<bool>("fromTheList"); // else: given at start-up
    QTest::addColumn<bool>("udp");
    QTest::newRow("given at start-up") << false << false;
    QTest::newRow("chosen from the port list") << true << false;
    QTest::newRow("over UDP") << false << true;
}

void LoopWindowTest::pollsOverHartIp() {
    QFETCH(bool, fromTheList);
    QFETCH(bool, udp);
    const quint16 port = freeLoopbackPort();
    QVERIFY(port != 0);
    SimulatedLoop loop;
    QVERIFY(!loop.start({"--hartip", QString::number(port)}).isEmpty());
    WindowRecorder recorder;
    ui::Form1Environment environment = testEnvironment(recorder);
    const QString device =
        QStringLiteral("%1://127.0.0.1:%2").arg(udp ? "hartip+udp" : "hartip").arg(port);
    const QString transport = udp ? "UDP" : "TCP";
    QStringList asked, remembered;
    if (fromTheList) {
        environment.askNetwork = [&](const QString& last, qint16) {
            asked << last;
            return std::optional(device);
        };
        environment.rememberDevice = [&](const QString& chosen) { remembered << chosen; };
    } else {
        environment.startupDevice = device;
    }
    auto window = makeWindow(loop.path("settings") + QLatin1Char('/'), environment);
    window->Form_Load();
    if (fromTheList) {
        // The network entry comes last in the list, in the language in force.
        window->refreshPortList();
        QComboBox* list = window->combo1();
        QCOMPARE(list->itemText(list->count() - 1), "Network (HART-IP)…");
        list->setCurrentIndex(list->count() - 1);
        emit list->activated(list->count() - 1);
        QCOMPARE(asked, QStringList{QString()});
        QCOMPARE(remembered, QStringList{device});
        QCOMPARE(list->currentText(), device);
    }
    QTRY_COMPARE_WITH_TIMEOUT(window->shape1()->colour(), serial::kLampOpen, 5000);
    // The port box names the address in use, not a serial port.
    window->mnu_ComPort_Click();
    QCOMPARE(window->combo1()->currentText(), device);
    QCOMPARE(window->portStatusLabel()->accessibleName(),
             QStringLiteral("HART-IP 127.0.0.1:%1, %2, session open").arg(port).arg(transport));
    QTest::keyClick(window->yesButton(), Qt::Key_Return);
    // No fixed waits on the network: the answers end the steps by themselves.
    QTRY_VERIFY_WITH_TIMEOUT(window->board().caption(Column::Label2, 5).contains("FT-305"), 10000);
    for (int row : {1, 2})
        QVERIFY(!window->board().caption(Column::Label1, row).trimmed().isEmpty());
    QVERIFY(window->board().caption(Column::Label1, 3).trimmed().isEmpty());
    QCOMPARE(recorder.messages, QStringList());

    // Subscribed, the pressure transmitter's published values reach its view, marked so.
    ui::WindowLayers layers(*window, nullptr);
    ui::InstrumentView* view = layers.field.open(1);
    QVERIFY(!view->subscribeSwitch()->isHidden());
    using Outcome = core::Subscriptions::Outcome;
    QSignalSpy settled(&window->session().subscriptions(), &core::Subscriptions::settled);
    view->subscribeSwitch()->click();
    QVERIFY(view->subscribeSwitch()->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(view->valuesTitle().startsWith("Values (published at"), 5000);
    QVERIFY(window->session().fieldModel().instrument(1).lastPublished());
    // The flags read back (command 532) are those written: confirmed, and the view says nothing.
    QTRY_COMPARE_WITH_TIMEOUT(settled.size(), 1, 5000);
    QCOMPARE(settled.at(0).at(2).value<Outcome>(), Outcome::Confirmed);
    QVERIFY(view->findChild<QLabel*>("Instrument_SubscriptionNote")->isHidden());
    view->subscribeSwitch()->click();
    QTRY_COMPARE_WITH_TIMEOUT(settled.size(), 2, 5000);
    QCOMPARE(settled.at(1).at(1).toBool(), false);
    QCOMPARE(settled.at(1).at(2).value<Outcome>(), Outcome::Confirmed);
    view->subscribeSwitch()->click();

    window->mnu_rus_Click();
    QCOMPARE(window->portStatusLabel()->accessibleName(),
             QString::fromUtf8("HART-IP 127.0.0.1:%1, %2, сеанс открыт").arg(port).arg(transport));
}

// Over HART-IP to a gateway with twenty instruments behind it: the Network window opens by
// itself with a row for each, they are read and answer; the board keeps the gateway at row 0.
void LoopWindowTest::gatewayInstrumentsInTheNetworkWindow() {
    const quint16 port = freeLoopbackPort();
    QVERIFY(port != 0);
    SimulatedLoop loop;
    QVERIFY(!loop.start({"--hartip", QString::number(port), "--gateway", "20"}).isEmpty());
    WindowRecorder recorder;
    ui::Form1Environment environment = testEnvironment(recorder);
    environment.startupDevice = QStringLiteral("hartip://127.0.0.1:%1").arg(port);
    auto window = makeWindow(loop.path("settings") + QLatin1Char('/'), environment);
    ui::WindowLayers layers(*window, nullptr);
    window->Form_Load();
    QTRY_COMPARE_WITH_TIMEOUT(window->shape1()->colour(), serial::kLampOpen, 5000);
    QTest::keyClick(window->yesButton(), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(window->networkWindow() && window->networkWindow()->isVisible(),
                             10000);
    ui::NetworkWindow* network = window->networkWindow();
    QAbstractItemModel* rows = network->table()->model();
    QCOMPARE(rows->rowCount(), 20);
    QCOMPARE(network->summary()->text(),
             "I/O system at 00: 3 cards of 8 channels, 20 instruments behind it. "
             "Double-click a row to open the instrument.");
    using Column = ui::SubDeviceTableModel::Column;
    QCOMPARE(rows->index(2, Column::LongTag).data().toString(), "Wireless transmitter 3");
    QCOMPARE(rows->index(9, Column::Card).data().toString(), "1");
    QTRY_COMPARE_WITH_TIMEOUT(rows->index(3, Column::Answering).data().toString(), "yes", 10000);
    QTRY_VERIFY_WITH_TIMEOUT(rows->index(3, Column::Pv).data().toString().endsWith(" kPa"), 10000);
    QCOMPARE(window->board().caption(protocol::Column::Label1, 0), "26E10A0001");

    // A row opens the instrument's view: what it is from the list, its tag and values as read
    // through the gateway, and its details read at once.
    QTableView* table = network->table();
    const QPoint cell = table->visualRect(rows->index(2, Column::LongTag)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell); // as a hand does first
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell);
    QTRY_VERIFY_WITH_TIMEOUT(!layers.field.views().isEmpty(), 2000);
    ui::InstrumentView* view = layers.field.views().constFirst();
    QCOMPARE(view->behind(), QByteArray::fromHex("26300B0003"));
    QCOMPARE(view->shownValue("device id"), "0B0003");
    QCOMPARE(view->stateLine()->text(),
             "26300B0003: the instrument answers through the I/O system.");
    QTRY_COMPARE_WITH_TIMEOUT(view->shownValue("tag"), "WT-003  ", 10000);
    QTRY_VERIFY_WITH_TIMEOUT(view->shownValue("PV").endsWith(" kPa"), 10000);
    QCOMPARE(view->shownValue("preambles"), "5"); // its own command 0, beyond the list
    const core::IoSystemReader& reader = window->session().ioSystems();
    QTRY_VERIFY_WITH_TIMEOUT(reader.instrument(view->behind()).details.count(20) == 1, 20000);
    QVERIFY(reader.instrument(view->behind()).details.at(20).accepted);
    QVERIFY(view->detailsPanel()->isVisible());
    window->mnu_rus_Click();
    QCOMPARE(view->stateLine()->text(),
             QString::fromUtf8("26300B0003: прибор отвечает через систему ввода-вывода."));
    QCOMPARE(network->windowTitle(), QString::fromUtf8("Сеть"));
    QCOMPARE(rows->headerData(Column::Card, Qt::Horizontal).toString(), QString::fromUtf8("Плата"));
    QCOMPARE(rows->index(3, Column::Answering).data().toString(), QString::fromUtf8("да"));
    QVERIFY(rows->index(3, Column::Pv).data().toString().endsWith(QString::fromUtf8(" кПа")));
}

// The server is down at start-up. Yes opens the port panel and means "poll when the line is
// there": the button says STOP, and once the session opens the pass runs by itself. STOP pressed
// meanwhile takes that back: RUN, and nothing polls when the session opens.
void LoopWindowTest::pollsWhenTheServerComes_data() {
    QTest::addColumn<bool>("stoppedMeanwhile");
    QTest::newRow("Yes, then the server") << false;
    QTest::newRow("Yes, STOP, then the server") << true;
}

void LoopWindowTest::pollsWhenTheServerComes() {
    QFETCH(bool, stoppedMeanwhile);
    const quint16 port = freeLoopbackPort();
    QVERIFY(port != 0);
    WindowRecorder recorder;
    ui::Form1Environment environment = testEnvironment(recorder);
    environment.startupDevice = QStringLiteral("hartip://127.0.0.1:%1").arg(port);
    SimulatedLoop loop;
    auto window = makeWindow(loop.path("settings") + QLatin1Char('/'), environment);
    window->Form_Load();
    QTest::keyClick(window->yesButton(), Qt::Key_Return);
    QVERIFY(window->portStatusLabel()->isVisibleTo(window.get()));
    QCOMPARE(window->command1()->text(), "STOP");
    QVERIFY(!window->session().isRunning());
    if (stoppedMeanwhile) {
        window->command1()->click();
        QCOMPARE(window->command1()->text(), "RUN");
    }
    QVERIFY(!loop.start({"--hartip", QString::number(port)}).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(window->shape1()->colour(), serial::kLampOpen, 5000);
    if (stoppedMeanwhile) {
        QTest::qWait(500);
        QVERIFY(!window->session().isRunning());
        QCOMPARE(window->command1()->text(), "RUN");
        return;
    }
    QVERIFY(window->session().isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(window->board().caption(Column::Label2, 5).contains("FT-305"), 10000);
    QCOMPARE(window->command1()->text(), "STOP");
}

QTEST_MAIN(LoopWindowTest)
#include "tst_loop_window.moc"
