// The instrument view as an engineer reads it: a silent instrument said to be silent, since
// when, its last values marked as such and its trend running on to the present; status bits
// coloured by how much they matter; numbers written out plainly. And messages that wait for the
// polling step to end.

#include "app/side_settings.h"
#include "core/line_learner.h"
#include "core/line_log.h"
#include "core/loop_session.h"
#include "field/field_model.h"
#include "protocol/board.h"
#include "protocol/polling_cycle.h"
#include "ui/explanation_table.h"
#include "ui/field_layer.h"
#include "ui/instrument_view.h"
#include "ui/line_table_model.h"
#include "ui/line_view.h"
#include "ui/message_gate.h"
#include "ui/network_dialog.h"
#include "ui/recording_layer.h"
#include "ui/throttle.h"
#include "ui/trend_plot.h"
#include "ui/window_surface.h"

#include "helpers.h" // the golden answers

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using ptest::hex;
using ptest::withCheck;

namespace {

const QByteArray kPreamble = hex("FF FF FF FF FF");

// A command-3 answer from the golden instrument: loop current 12.5 mA, PV 100000 kPa, the
// device status byte as given.
QByteArray answer3(quint8 status) {
    QByteArray frame = hex("86 A6 06 12 34 56 03 0B 00 00 41 48 00 00 0C 47 C3 50 00");
    frame[9] = char(status);
    return withCheck(frame);
}

// A window as far as the layers beside the board see one.
struct SurfaceStandIn : ui::WindowSurface {
    QString recording, recordingNote, explanation;
    QStringList told, notes;
    void showRecording(const QString& file) override { recording = file; }
    void showRecordingNote(const QString& text) override { recordingNote = text; }
    void showAnswerExplanation(std::function<QString()> explain) override {
        explanation = explain ? explain() : QString();
    }
    void tell(const QString& text) override { told << text; }
    void note(const QString& line) override { notes << line; }
};

QColor background(const QLabel* label) {
    return label->palette().color(QPalette::Window);
}

struct Instrument {
    QDateTime now{QDate(2026, 12, 7), QTime(14, 1, 58)};
    field::FieldModel model{[this] { return now; }};

    void answers(quint8 status) {
        model.takeAnswer(protocol::ReadAnswer::of(0, 1, true, kPreamble + ptest::kAnswer0Hart5));
        model.takeAnswer(protocol::ReadAnswer::of(13, 1, true, kPreamble + ptest::kAnswer13));
        model.takeAnswer(protocol::ReadAnswer::of(3, 1, true, kPreamble + answer3(status)));
    }
};

} // namespace

class TestUiViews : public QObject {
    Q_OBJECT
private slots:
    void lineView();
    // Behind an I/O system, known from its list only: who it is, and a dash for what the list
    // does not say (revisions, preambles, flags), never a zero it did not send.
    void knownFromTheListOnly() {
        field::Instrument in;
        in.identity = field::Identity{};
        in.identity->hartRevision = 7;
        in.identity->manufacturer = 0x26;
        in.identity->deviceType = 0xE0A5;
        in.identity->expandedDeviceType = true;
        in.identity->deviceId = 0x123457;
        in.identity->longAddress = hex("20 A5 12 34 57");
        in.identity->fromList = true;
        ui::ViewedInstrument viewed;
        viewed.behind = in.identity->longAddress;
        viewed.instrument = [&in]() -> const field::Instrument& { return in; };
        viewed.now = [] { return QDateTime(QDate(2026, 12, 8), QTime(19, 0)); };
        ui::InstrumentView view(viewed, 0);
        QVERIFY(view.shownValue("manufacturer").startsWith("0026"));
        QCOMPARE(view.shownValue("device type"), "E0A5");
        for (const char* unknown : {"device revision", "software revision", "preambles", "flags"})
            QCOMPARE(view.shownValue(unknown), QString::fromUtf8("\u2014"));
        QCOMPARE(view.stateLine()->text(),
                 "The instrument has not answered through the I/O system yet.");
        QCOMPARE(view.windowTitle(), "Instrument 20A5123457");
    }
    void answeringInstrument() {
        Instrument in;
        in.answers(0x00);
        ui::InstrumentView view(in.model, 1, 0);
        QCOMPARE(view.stateLine()->text(), "Address 01: the instrument answers.");
        QCOMPARE(view.shownValue("PV"), "100000 kPa"); // not 1e+05
        QCOMPARE(view.shownValue("loop current"), "12.5 mA");
        QCOMPARE(view.valuesTitle(), "Values (command 3)");
        QVERIFY(!view.valueLabel("PV")->font().italic());
        QCOMPARE(view.currentTrend().points().back().x(), 0.0);
    }

    // Taken off the loop: the first command 0 it leaves unanswered says since when; its values
    // stay, marked as the last known; the trend's right edge keeps moving with the clock.
    void instrumentThatLeftTheLoop_data() {
        QTest::addColumn<qint16>("languageFlag");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("lastKnown");
        QTest::addColumn<QString>("pv"); // the units in the reader's language (GOST 8.417)
        QTest::newRow("English") << qint16(0) << "Not answering since 14:02:11"
                                 << "Values (command 3), last known from 14:01:58"
                                 << "(last known)"
                                 << "100000 kPa";
        QTest::newRow("Russian") << qint16(1) << QString::fromUtf8("Не отвечает с 14:02:11")
                                 << QString::fromUtf8(
                                        "Значения (команда 3), последние известные на 14:01:58")
                                 << QString::fromUtf8("(последнее известное)")
                                 << QString::fromUtf8("100000 кПа");
    }
    void instrumentThatLeftTheLoop() {
        QFETCH(qint16, languageFlag);
        QFETCH(QString, state);
        QFETCH(QString, title);
        QFETCH(QString, lastKnown);
        QFETCH(QString, pv);
        Instrument in;
        in.answers(0x00);
        ui::InstrumentView view(in.model, 1, languageFlag);
        in.now = QDateTime(QDate(2026, 12, 7), QTime(14, 2, 11));
        in.model.takeAnswer(protocol::ReadAnswer::of(0, 1, false, QByteArray()));
        view.refresh();
        QCOMPARE(view.stateLine()->text(), state);
        QCOMPARE(view.valuesTitle(), title);
        QCOMPARE(view.shownValue("PV"), pv);
        QVERIFY(view.valueLabel("PV")->font().italic());
        QVERIFY2(view.valueLabel("PV")->accessibleName().endsWith(lastKnown),
                 qPrintable(view.valueLabel("PV")->accessibleName()));
        QCOMPARE(view.currentTrend().points().back().x(), -13.0);
        // Thirty seconds on, nothing new: the last sample lies further back still.
        in.now = in.now.addSecs(30);
        view.refresh();
        QCOMPARE(view.currentTrend().points().back().x(), -43.0);
        QCOMPARE(view.stateLine()->text(), state); // since when it fell silent, not later
        // Back on the loop: live again.
        in.answers(0x00);
        view.refresh();
        QVERIFY(!view.valueLabel("PV")->font().italic());
        QVERIFY(!view.stateLine()->text().contains("14:02:11"));
    }

    // Malfunction stands out in red, a variable beyond its limits in amber, configuration
    // changed in quiet grey; screen readers are told which is which.
    void statusBitsByTheirWeight_data() {
        QTest::addColumn<qint16>("languageFlag");
        QTest::addColumn<QString>("malfunction");
        QTest::addColumn<QString>("changed");
        QTest::addColumn<QString>("pvLimits");
        QTest::addColumn<QString>("clear");
        QTest::newRow("English") << qint16(0) << "device malfunction: set, fault"
                                 << "configuration changed: set, notice"
                                 << "primary variable out of limits: set, warning"
                                 << "cold start: clear";
        QTest::newRow("Russian")
            << qint16(1) << QString::fromUtf8("неисправность прибора: установлен, авария")
            << QString::fromUtf8("конфигурация изменена: установлен, уведомление")
            << QString::fromUtf8("первичная переменная вне пределов: установлен, предупреждение")
            << QString::fromUtf8("холодный старт: сброшен");
    }
    void statusBitsByTheirWeight() {
        QFETCH(qint16, languageFlag);
        QFETCH(QString, malfunction);
        QFETCH(QString, changed);
        QFETCH(QString, pvLimits);
        QFETCH(QString, clear);
        Instrument in;
        in.answers(0x80 | 0x40 | 0x01);
        ui::InstrumentView view(in.model, 1, languageFlag);
        const QList<QLabel*>& bits = view.statusBitLabels(); // 80 40 20 10 08 04 02 01
        QCOMPARE(bits.size(), 8);
        QCOMPARE(bits[0]->accessibleName(), malfunction);
        QCOMPARE(bits[1]->accessibleName(), changed);
        QCOMPARE(bits[7]->accessibleName(), pvLimits);
        QCOMPARE(bits[2]->accessibleName(), clear);
        const QColor fault = background(bits[0]), notice = background(bits[1]),
                     warning = background(bits[7]);
        QVERIFY(fault != warning && warning != notice && fault != notice);
        QVERIFY(fault.red() > 200 && fault.green() < 180);                             // red
        QVERIFY(warning.red() > 200 && warning.green() > 180 && warning.blue() < 140); // amber
        QCOMPARE(notice.red(), notice.blue());                                         // grey
        QVERIFY(bits[0]->autoFillBackground() && !bits[2]->autoFillBackground());
    }

    void communicationErrorIsAFault() {
        Instrument in;
        in.answers(0x00);
        QByteArray frame = answer3(0x00).chopped(1);
        frame[8] = char(0x88); // checksum error
        in.model.takeAnswer(protocol::ReadAnswer::of(3, 1, true, kPreamble + withCheck(frame)));
        ui::InstrumentView view(in.model, 1, 0);
        QCOMPARE(view.responseLine()->text(), "Communication error: checksum error");
        QCOMPARE(view.responseLine()->accessibleName(),
                 "Communication error: checksum error (fault)");
        QVERIFY(view.responseLine()->autoFillBackground());
    }

    // Posted while a step is under way, a message waits for the step to end and for the event
    // loop to be back in control; posted between steps it shows at once.
    void messagesWaitForTheStepToEnd() {
        bool inStep = false;
        QStringList shown;
        QList<bool> shownInStep;
        ui::MessageGate gate([&inStep] { return inStep; },
                             [&](const QString& text) {
                                 shown << text;
                                 shownInStep << inStep;
                             });
        gate.post("between steps");
        QCOMPARE(shown, QStringList{"between steps"});

        inStep = true;
        gate.post("one");
        gate.post("two");
        QCoreApplication::processEvents(); // a yield inside the step
        QCOMPARE(shown.size(), 1);
        gate.release(); // an inner frame ending is not the end of the step...
        QCoreApplication::processEvents();
        QCOMPARE(shown.size(), 1); // ...so nothing shows while it still runs
        inStep = false;
        gate.release();
        QCOMPARE(shown.size(), 1); // the step's last frames are still unwinding
        QCoreApplication::processEvents();
        QCOMPARE(shown, (QStringList{"between steps", "one", "two"}));
        QCOMPARE(shownInStep, (QList<bool>{false, false, false}));
        QCOMPARE(gate.waiting(), 0);
    }

    // While a box is open its event loop runs on: a port reopened once a second that fails the
    // same way every time must not stack a box per try. Another message still shows, and the
    // same one shows again once its box was closed.
    void oneBoxForTheSameMessage() {
        QStringList shown;
        ui::MessageGate* gate = nullptr;
        int reopenTries = 0;
        ui::MessageGate owned(
            [] { return false; },
            [&](const QString& text) {
                shown << text;
                if (text == "DCB Write Error:50" && reopenTries < 3) {
                    ++reopenTries; // the reopen timer firing inside the box's event loop
                    gate->post("DCB Write Error:50");
                    gate->post("DCB Write Error:50");
                    gate->post("Lost: COM1");
                }
            });
        gate = &owned;
        gate->post("DCB Write Error:50");
        QCOMPARE(shown, (QStringList{"DCB Write Error:50", "Lost: COM1"}));
        gate->post("DCB Write Error:50");
        QCOMPARE(shown.size(), 4);
        QCOMPARE(shown.mid(2), (QStringList{"DCB Write Error:50", "Lost: COM1"}));
        QCOMPARE(reopenTries, 2);
    }

    // The loop check says one thing: a difference only beside a verdict, and a difference that
    // rounds to nothing as 0.000, not -0.000.
    void loopCheckSaysOneThing_data() {
        QTest::addColumn<QByteArray>("current"); // the float command 3 sends
        QTest::addColumn<QByteArray>("mode");    // command 7's data
        QTest::addColumn<QString>("difference");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("agrees by a hair")
            << hex("41 3F FF 97") << hex("00 01") << "0.000 mA (0.00 % of span)"
            << "Agrees: the signal matches the PV.";
        QTest::newRow("multidrop") << hex("40 80 00 00") << hex("03 00") << QString::fromUtf8("—")
                                   << "Cannot be checked: multidrop, the loop current mode is off.";
    }
    void loopCheckSaysOneThing() {
        QFETCH(QByteArray, current);
        QFETCH(QByteArray, mode);
        QFETCH(QString, difference);
        QFETCH(QString, verdict);
        Instrument in;
        in.answers(0);
        QByteArray values = hex("86 A6 06 12 34 56 03 0B 00 00") + current + hex("0C 47 C3 50 00");
        in.model.takeAnswer(protocol::ReadAnswer::of(3, 1, true, kPreamble + withCheck(values)));
        // 0 to 200000 kPa, linear: 100000 kPa is 12 mA.
        const auto detail = [&](int command, const QByteArray& data) {
            QByteArray frame = hex("86 A6 06 12 34 56") + char(command) + char(2 + data.size()) +
                               hex("00 00") + data;
            in.model.takeAnswer(protocol::ReadAnswer::of(command, 1, true,
                                                         kPreamble + withCheck(frame),
                                                         protocol::ReadAnswer::Origin::OnDemand));
        };
        detail(15, hex("00 00 0C 48 43 50 00 00 00 00 00 3F 00 00 00 00 FA"));
        detail(7, mode);
        ui::InstrumentView view(in.model, 1, 0);
        QCOMPARE(view.findChild<QLabel*>("Loop_Check_Difference")->text(), difference);
        QCOMPARE(view.findChild<QLabel*>("Loop_Check_Verdict")->text(), verdict);
    }

    // However many samples the window spans, the plot keeps per pixel column the first, the
    // lowest, the highest and the last, so no peak is lost and the line ends where the data does.
    void trendThinnedKeepsPeaks() {
        QVector<QPointF> points;
        for (int k = 0; k < 36000; ++k) // an hour, ten a second
            points << QPointF(-3600.0 + k * 0.1, k == 20000 ? 99.0 : k == 30000 ? -99.0 : 1.0);
        const QVector<QPointF> kept = ui::thinnedForColumns(points, -3600.0, 0.0, 400);
        QVERIFY2(kept.size() <= 4 * 400, qPrintable(QString::number(kept.size())));
        double highest = 0, lowest = 0;
        for (int k = 0; k < kept.size(); ++k) {
            highest = qMax(highest, kept[k].y());
            lowest = qMin(lowest, kept[k].y());
            if (k > 0)
                QVERIFY(kept[k].x() > kept[k - 1].x()); // still in time order
        }
        QCOMPARE(highest, 99.0);
        QCOMPARE(lowest, -99.0);
        QCOMPARE(kept.front(), points.front());
        QCOMPARE(kept.back(), points.back());
        // Few points: all kept; none outside the window.
        const QVector<QPointF> few{{-700.0, 1}, {-10.0, 2}, {-5.0, 3}};
        QCOMPARE(ui::thinnedForColumns(few, -600.0, 0.0, 400),
                 (QVector<QPointF>{{-10.0, 2}, {-5.0, 3}}));
    }

    // A burst of changes costs one refresh at once and one when the interval is over, which
    // shows the last of them; after a quiet spell the next change shows at once again.
    // How often an instrument publishes, in the values box: tenths of a second, hundredths below
    // a tenth (a HART-IP server may publish that fast), and what command 38 means.
    void burstLineSaysHowOften_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("periodMs");
        QTest::addColumn<QString>("said");
        QTest::newRow("every half second") << 3 << 500 << "In burst mode, every 0.5 s (command 3)";
        QTest::newRow("a hundred a second") << 3 << 10 << "In burst mode, every 0.01 s (command 3)";
        QTest::newRow("configuration changed reset")
            << 38 << 5000 << "In burst mode, every 5.0 s (command 38: configuration changed reset)";
    }
    void burstLineSaysHowOften() {
        QFETCH(int, command);
        QFETCH(int, periodMs);
        QFETCH(QString, said);
        Instrument in;
        in.answers(0x00);
        protocol::HartFrame burst;
        burst.delimiter = protocol::kLongBurstDelimiter;
        burst.address = in.model.instrument(1).identity->longAddress;
        burst.command = command;
        burst.responseCode = 0;
        burst.deviceStatus = 0;
        burst.data = command == 3 ? protocol::HartFrame::parse(kPreamble + answer3(0)).data
                                  : QByteArray::fromHex("0002");
        for (int k = 0; k < 4; ++k) {
            in.now = in.now.addMSecs(periodMs);
            in.model.takeAnswer(protocol::ReadAnswer::of(command, 1, true, burst.encode(),
                                                         protocol::ReadAnswer::Origin::Published));
        }
        ui::InstrumentView view(in.model, 1, 0);
        QCOMPARE(view.findChild<QLabel*>("Instrument_Burst")->text(), said);
    }

    void burstsRefreshTwice() {
        int runs = 0;
        ui::Throttle throttle(200, [&runs] { ++runs; });
        for (int k = 0; k < 10; ++k)
            throttle.request();
        QCOMPARE(runs, 1);
        QVERIFY(throttle.isPending());
        QTRY_COMPARE(runs, 2);
        QTest::qWait(300);
        QCOMPARE(runs, 2); // nothing asked meanwhile: nothing run
        throttle.request();
        QCOMPARE(runs, 3);
    }

    // A window asked to repaint many times within its interval paints in few passes, and the
    // last change is on screen when the interval is over.
    void repaintsPaced() {
        struct Painted : QWidget {
            int passes = 0;
            QColor shown, wanted = Qt::white;
            void paintEvent(QPaintEvent*) override {
                ++passes;
                shown = wanted;
                QPainter(this).fillRect(rect(), wanted);
            }
        } window;
        new ui::PaintPacer(&window, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(250);
        const int before = window.passes;
        for (int k = 0; k < 20; ++k) {
            window.wanted = QColor::fromHsv(k * 15, 255, 255);
            window.update();
            QCoreApplication::processEvents();
        }
        QVERIFY2(window.passes - before <= 1, qPrintable(QString::number(window.passes)));
        QTRY_COMPARE(window.shown, window.wanted);
        QVERIFY(window.passes - before <= 2);
    }

    // The room the operator gave the answer's tables is kept in the side file and given to the
    // next view; something else kept there changes nothing.
    void viewLayoutRemembered() {
        QTemporaryDir dir;
        app::SideSettings side(dir.path() + '/');
        Instrument in;
        in.answers(0);
        ui::InstrumentView first(in.model, 1, 0);
        auto* splitter = first.findChild<QSplitter*>("Instrument_Splitter");
        QVERIFY(splitter);
        splitter->setSizes({300, 600});
        const QList<int> given = splitter->sizes();
        QVERIFY(side.setInstrumentViewLayout(first.saveLayout()));

        ui::InstrumentView next(in.model, 1, 0);
        next.restoreLayout(side.instrumentViewLayout());
        QCOMPARE(next.findChild<QSplitter*>("Instrument_Splitter")->sizes(), given);
        ui::InstrumentView untouched(in.model, 1, 0);
        const QList<int> before = untouched.findChild<QSplitter*>("Instrument_Splitter")->sizes();
        untouched.restoreLayout("not a layout");
        QCOMPARE(untouched.findChild<QSplitter*>("Instrument_Splitter")->sizes(), before);
    }

    // Follow and Subscribe answer whatever ticks them, a screen reader's Toggle action as well
    // as a click; what the program itself shows on them asks for nothing.
    void switchesFollowTheAccessibleToggle_data() {
        QTest::addColumn<bool>("follow"); // else Subscribe
        QTest::newRow("Follow") << true;
        QTest::newRow("Subscribe") << false;
    }
    void switchesFollowTheAccessibleToggle() {
        QFETCH(bool, follow);
        Instrument in;
        in.answers(0);
        ui::InstrumentView view(in.model, 1, 0);
        view.showSubscription(true, false);
        QList<QList<int>> asked;
        const auto note = [&asked](int address, bool on) { asked << QList<int>{address, on}; };
        connect(&view, &ui::InstrumentView::followToggled, this, note);
        connect(&view, &ui::InstrumentView::subscribeToggled, this, note);
        QCheckBox* box = follow ? view.followSwitch() : view.subscribeSwitch();
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box);
        QVERIFY(accessible && accessible->actionInterface());
        const QString toggle = QAccessibleActionInterface::toggleAction();
        QVERIFY(accessible->actionInterface()->actionNames().contains(toggle));

        accessible->actionInterface()->doAction(toggle);
        QVERIFY(box->isChecked());
        box->click();
        QVERIFY(!box->isChecked());
        if (follow)
            view.showFollowing(true);
        else
            view.showSubscription(true, true);
        QVERIFY(box->isChecked());
        QCOMPARE(asked, (QList<QList<int>>{{1, true}, {1, false}}));
    }

    // The layers need the loop session and a surface to show on, not the window: an answer is
    // explained in the language the session's settings hold, and recording says where it goes.
    void layersBesideAWindowStandIn() {
        QTemporaryDir root;
        core::LoopSession::Setup setup;
        setup.settingsDir = root.path() + '/';
        setup.now = [] { return QDateTime(QDate(2026, 12, 7), QTime(14, 2)); };
        core::LoopSession session(setup);
        session.settings().openAtStartup();
        session.settings().record().Results_Dir = root.path() + "/results/";
        SurfaceStandIn surface;
        QList<bool> remembered;
        ui::FieldLayer field(session, surface);
        ui::RecordingLayer recording(session, surface, [&](bool on) { remembered << on; });

        emit session.cycle().answerDecoded(
            protocol::ReadAnswer::of(3, 1, true, kPreamble + answer3(0)));
        QVERIFY2(surface.explanation.startsWith("<pre>") &&
                     surface.explanation.contains("check byte: matches"),
                 qPrintable(surface.explanation));
        session.settings().record().Language_Flag = 1;
        emit session.cycle().answerDecoded(
            protocol::ReadAnswer::of(3, 1, true, kPreamble + answer3(0)));
        QVERIFY(surface.explanation.contains(QString::fromUtf8("контрольный байт: совпадает")));

        recording.setRecording(true);
        QCOMPARE(remembered, QList<bool>{true});
        QCOMPARE(surface.recording.section('/', -1), QStringLiteral("2026-12-07.csv"));
        QVERIFY(surface.recording.startsWith(root.path() + "/results/2026/"));
        QCOMPARE(surface.notes, QStringList{"recording to " + surface.recording});
        recording.setRecording(false);
        QCOMPARE(surface.recording, QString());
        QVERIFY(surface.told.isEmpty());
    }

    // The network question names only what can be reached: a host, IPv6 in brackets, UDP or
    // TLS; a secure choice needs a usable key, which is kept for the host and never shown again.
    void networkQuestion_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("udp");
        QTest::addColumn<bool>("secure");
        QTest::addColumn<QString>("identity");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("device"); // empty: OK does nothing
        QTest::addColumn<QString>("problem");
        const QString key = "00 11 22 33 44 55 66 77 88 99 aa bb cc dd ee ff";
        QTest::newRow("TCP") << "10.0.0.5" << false << false << ""
                             << ""
                             << "hartip://10.0.0.5:5094"
                             << "";
        QTest::newRow("IPv6 over UDP") << "fd00::5" << true << false << ""
                                       << ""
                                       << "hartip+udp://[fd00::5]:5094"
                                       << "";
        QTest::newRow("IPv6 typed in brackets") << "[fd00::5]" << false << false << ""
                                                << ""
                                                << "hartip://[fd00::5]:5094"
                                                << "";
        QTest::newRow("no host") << " " << false << false << ""
                                 << ""
                                 << ""
                                 << "";
        QTest::newRow("not a host") << "plant gw" << false << false << ""
                                    << ""
                                    << ""
                                    << "plant gw is not a host name (letters, digits, hyphens "
                                       "and dots)";
        QTest::newRow("three numbers") << "10.0.5" << false << false << ""
                                       << ""
                                       << ""
                                       << "10.0.5 is not an IPv4 address of four numbers 0 to 255";
        QTest::newRow("secure") << "10.0.0.5" << true << true << "plant-gw" << key
                                << "hartips://10.0.0.5:5094"
                                << "";
        QTest::newRow("secure, short key") << "10.0.0.5" << false << true << "plant-gw"
                                           << "0011223344"
                                           << ""
                                           << "The key must be at least 16 bytes (32 hex digits).";
        QTest::newRow("secure, not hex")
            << "10.0.0.5" << false << true << "plant-gw" << QString(32, 'g') << ""
            << "The key must be hexadecimal digits, two for each byte.";
        QTest::newRow("secure, no identity") << "10.0.0.5" << false << true << "" << key << ""
                                             << "The key needs an identity.";
    }
    void networkQuestion() {
        QFETCH(QString, host);
        QFETCH(bool, udp);
        QFETCH(bool, secure);
        QFETCH(QString, identity);
        QFETCH(QString, key);
        QFETCH(QString, device);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        app::SideSettings side(dir.path() + '/');
        ui::NetworkDialog dialog(nullptr, QString(), 0, side);
        dialog.hostField()->setText(host);
        dialog.transportField()->setCurrentIndex(udp ? 1 : 0);
        dialog.secureSwitch()->setChecked(secure);
        dialog.identityField()->setText(identity);
        dialog.keyField()->setText(key);
        QCOMPARE(dialog.problem(), problem);
        if (problem.isEmpty())
            QCOMPARE(dialog.device(), device);
        dialog.accept();
        QCOMPARE(dialog.result(),
                 device.isEmpty() ? int(QDialog::Rejected) : int(QDialog::Accepted));
        if (!secure || device.isEmpty()) {
            QVERIFY(!side.hartIpKey(host));
            return;
        }
        const auto kept = side.hartIpKey(host);
        QVERIFY(kept && kept->identity == identity &&
                kept->hexKey == "00112233445566778899AABBCCDDEEFF");
        // Asked again: the identity is back, the key is not, and OK needs no new one.
        ui::NetworkDialog again(nullptr, device, 0, side);
        QVERIFY(again.secureSwitch()->isChecked());
        QCOMPARE(again.identityField()->text(), identity);
        QVERIFY(again.keyField()->text().isEmpty());
        QCOMPARE(again.keyField()->placeholderText(), "(kept; type to replace)");
        QCOMPARE(again.device(), device);
        QCOMPARE(again.problem(), QString());
    }
};

// The line view lists every frame as it comes, filters by address and command, stands still
// while paused, explains the selected frame, and follows the language.
void TestUiViews::lineView() {
    core::LineLog log;
    protocol::ProtocolState state;
    protocol::MemoryBoard board;
    field::FieldModel model;
    core::LineLearner learner(state, board, model);
    const auto add = [&log](const QByteArray& bytes) {
        protocol::HeardFrame f;
        f.kind = protocol::HeardFrame::Kind::AnswerToUs;
        f.bytes = bytes;
        f.frame = protocol::HartFrame::parse(bytes);
        log.add(f, false, 0);
    };
    add(ptest::kAnswer0Hart5); // before the view opened: shown too
    ui::LineView view(log, learner, 0);
    add(ptest::kAnswer13);
    add(ptest::kAnswer3);
    QCOMPARE(view.table()->model()->rowCount(), 3);
    QCOMPARE(view.countLine()->text(), "3 frames on the line, 3 shown");
    view.findChild<QSpinBox*>("Line_Command")->setValue(3);
    QCOMPARE(view.table()->model()->rowCount(), 1);
    view.findChild<QLineEdit*>("Line_Address")->setText("01");
    QCOMPARE(view.table()->model()->rowCount(), 0); // command 3 came by long address
    view.findChild<QLineEdit*>("Line_Address")->clear();
    view.table()->selectRow(0);
    QCOMPARE(view.explanation()->item(1, 1)->text(), "long address"); // of the command-3 answer
    view.pause()->setChecked(true);
    add(ptest::kAnswer3);
    QCOMPARE(view.table()->model()->rowCount(), 1);
    view.pause()->setChecked(false);
    QCOMPARE(view.table()->model()->rowCount(), 2);
    view.setLanguage(1);
    QCOMPARE(view.table()->model()->headerData(0, Qt::Horizontal).toString(),
             QString::fromUtf8("Время"));
    QCOMPARE(view.table()->model()->index(0, ui::LineTableModel::Kind).data().toString(),
             QString::fromUtf8("ответ"));
}

QTEST_MAIN(TestUiViews)
#include "tst_ui_views.moc"
