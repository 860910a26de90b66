#include "form1.h"
#include "line_view.h"
#include "network_window.h"

#include "board_widget.h"
#include "captions.h"
#include "lamp_widget.h"
#include "message_gate.h"
#include "port_panel.h"
#include "results_panel.h"
#include "throttle.h"
#include "twips.h"
#include "user_messages.h"
#include "window_icon.h"

#include "app/paths.h"
#include "app/result_folders.h"
#include "app/texts.h"
#include "core/loop_session.h"
#include "core/master_words.h"
#include "core/network_words.h"
#include "net/hartip_session.h"
#include "protocol/decoders.h"
#include "protocol/polling_cycle.h"
#include "serial/port_status_text.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGraphicsDropShadowEffect>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStringList>
#include <QStyle>
#include <QVBoxLayout>

namespace ui {

namespace {

// A line as the logger says it ("another master on the line: primary") as the window shows it:
// a capital first and a full stop at the end.
QString asSentence(QString line) {
    if (!line.isEmpty())
        line[0] = line[0].toUpper();
    return line.endsWith(QLatin1Char('.')) ? line : line + QLatin1Char('.');
}

const QString kRun = QStringLiteral("RUN");
const QString kStop = QStringLiteral("STOP");

// Frame1 within the client area, and the margin kept around it (twips).
constexpr int kFrameLeft = 90;
constexpr int kFrameTop = 225;
constexpr int kFrameWidth = 14775;
constexpr int kFrameHeight = 7395;
constexpr int kMargin = 90;

} // namespace

Form1::Form1(core::LoopSession& session, Form1Environment environment, QWidget* parent)
    : QMainWindow(parent), m_env(std::move(environment)),
      m_twips(m_env.logicalDpi > 0 ? m_env.logicalDpi : screenLogicalDpi()), m_session(session) {
    setObjectName(QStringLiteral("Form1"));
    new PaintPacer(this, kPaintIntervalMs);
    // Every message of the window, the port's and the recorder's alike, waits for the polling
    // step under way to end: a box opened inside a step would hold the pass until OK.
    if (m_env.showMessage) {
        m_messages =
            new MessageGate([this] { return cycle().isInsideStep(); }, m_env.showMessage, this);
        m_env.showMessage = [this](const QString& text) { m_messages->post(text); };
    }

    // Everything below the menu bar. It keeps the size its contents ask for: it grows when a
    // panel opens below the board and shrinks back when the panels close. The window follows
    // it, and scrolls it where the screen is too small for it (fitToScreen).
    m_content = new QWidget(this);
    m_content->setObjectName(QStringLiteral("Form1_Content"));
    QWidget* centre = m_content;
    auto* column = new QVBoxLayout(centre);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->setSizeConstraint(QLayout::SetFixedSize);

    const Twips& twips = m_twips;
    auto* boardArea = new QWidget(centre);
    boardArea->setFixedSize(twips.px(kFrameLeft + kFrameWidth + kMargin),
                            twips.px(kFrameTop + kFrameHeight + kMargin));
    column->addWidget(boardArea);

    m_panelRow = new QWidget(centre);
    auto* panels = new QHBoxLayout(m_panelRow);
    panels->setContentsMargins(twips.px(kFrameLeft), 0, twips.px(kMargin), twips.px(kMargin));
    column->addWidget(m_panelRow);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("Form1_Scroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(false);
    m_scroll->setWidget(m_content);
    setCentralWidget(m_scroll);
    m_content->installEventFilter(this);

    buildMenus();
    buildBoard(boardArea);
    buildQuestion();
    buildPanels(m_panelRow);
    panels->addWidget(m_frame2, 0, Qt::AlignTop);
    panels->addWidget(m_basisFrame1, 0, Qt::AlignTop);
    panels->addStretch(1);

    m_frame2->hide();
    m_basisFrame1->hide();
    m_panelRow->hide();

    // The loop writes to this window's board and tells through its messages while the window
    // is there; the window only shows and asks.
    m_session.showOn(m_board);
    m_session.setMessageSink([this](const QString& text) { tell(text); });
    connect(&m_session, &core::LoopSession::lineChanged, this, &Form1::followLine);
    // Another master on the line: the port panel says so below the role; one of our own role
    // is a fault, told once with what to do.
    connect(&m_session, &core::LoopSession::otherMasterHeard, this,
            [this](protocol::MasterRole heard) {
                if (!m_otherMasters.contains(heard))
                    m_otherMasters << heard;
                setMasterRole(cycle().masterRole(), false);
                if (heard == cycle().masterRole() && !m_session.listenOnly())
                    tell(asSentence(core::otherMasterText(heard, heard, languageFlag())));
            });
    if (m_messages)
        connect(&cycle(), &protocol::PollingCycle::stepFinished, m_messages, &MessageGate::release);
    // The first I/O system found opens the Network window by itself, once, after the step that
    // found it.
    connect(&m_session.ioSystems(), &core::IoSystemReader::listChanged, this, [this] {
        if (m_networkWindowOpened || m_session.ioSystems().ioSystemAddress() < 0)
            return;
        m_networkWindowOpened = true;
        QTimer::singleShot(0, this, &Form1::showNetworkWindow);
    });
    connect(&cycle(), &protocol::PollingCycle::answerReceived, m_frame2, &PortPanel::showAnswer);

    shape1()->setColour(portController().lampColour());
    connect(&portController(), &serial::PortController::lampChanged, shape1(),
            &LampWidget::setColour);
    connect(&portController(), &serial::PortController::statusChanged, this,
            &Form1::showPortStatus);

    connect(
        &m_session, &core::LoopSession::captureFailed, this,
        [this](const QString& path, const QString& reason) {
            m_mnuCapture->setChecked(false);
            tell(asSentence(app::text(app::Text::CaptureFailed, languageFlag()).arg(path, reason)));
        });
    if (!m_env.captureFile.isEmpty())
        startCapture(m_env.captureFile);
    m_session.setListenOnly(m_env.listenOnly);
    setMasterRole(core::masterRoleOf(m_env.secondaryMaster), false);
    applyCaptions(initialCaptions());
    applyFieldCaptions();
    setTitle(initialTitle());
    m_command4[0]->setFocus();
    fitToScreen();
}

Form1::~Form1() {
    // The session outlives the window: nothing of it may reach the window any more.
    for (QObject* part : std::initializer_list<QObject*>{&m_session, &cycle(), &portController(),
                                                         m_session.hartIpSession()})
        if (part)
            part->disconnect(this);
    m_session.showOn(nullptr);
    m_session.setMessageSink({});
}

app::SettingsFile& Form1::settings() {
    return m_session.settings();
}

protocol::PollingCycle& Form1::cycle() {
    return m_session.cycle();
}

serial::PortController& Form1::portController() {
    return m_session.portController();
}

serial::SerialPort& Form1::serialPort() {
    return m_session.serialPort();
}

qint16 Form1::languageFlag() const {
    return m_session.settings().record().Language_Flag;
}

QGroupBox* Form1::frame2() const {
    return m_frame2;
}

QPushButton* Form1::command1() const {
    return m_frame2->command1();
}

QComboBox* Form1::combo1() const {
    return m_frame2->combo1();
}

LampWidget* Form1::shape1() const {
    return m_frame2->shape1();
}

QLineEdit* Form1::text1() const {
    return m_frame2->text1();
}

QPlainTextEdit* Form1::text3() const {
    return m_frame2->text3();
}

QLabel* Form1::portStatusLabel() const {
    return m_frame2->statusLabel();
}

QGroupBox* Form1::basisFrame1() const {
    return m_basisFrame1;
}

QLineEdit* Form1::basisText1() const {
    return m_basisFrame1->basisText1();
}

QLabel* Form1::recordLine() const {
    return m_basisFrame1->recordLine();
}

void Form1::buildMenus() {
    QMenuBar* bar = menuBar();

    m_mnuFile = bar->addMenu(QString());
    m_mnuFile->setObjectName(QStringLiteral("mnu_File"));
    m_mnuInstrument = m_mnuFile->addMenu(QString());
    m_mnuInstrument->setObjectName(QStringLiteral("mnu_Instrument"));
    for (int address = 0; address < protocol::kRowCount; ++address) {
        QAction* entry = m_mnuInstrument->addAction(
            QString(), this, [this, address] { emit instrumentRequested(address); });
        entry->setObjectName(QStringLiteral("mnu_Instrument_%1").arg(address));
    }
    m_mnuLine = m_mnuFile->addAction(QString(), this, &Form1::showLineView);
    m_mnuLine->setObjectName(QStringLiteral("mnu_Line"));
    m_mnuNetwork = m_mnuFile->addAction(QString(), this, &Form1::showNetworkWindow);
    m_mnuNetwork->setObjectName(QStringLiteral("mnu_Network"));
    m_mnuCapture = m_mnuFile->addAction(QString());
    m_mnuCapture->setObjectName(QStringLiteral("mnu_Capture"));
    m_mnuCapture->setCheckable(true);
    connect(m_mnuCapture, &QAction::triggered, this, &Form1::captureToggled);
    m_mnuExit = m_mnuFile->addAction(QString(), this, &Form1::mnu_Exit_Click);
    m_mnuExit->setObjectName(QStringLiteral("mnu_Exit"));

    m_mnuSetting = bar->addMenu(QString());
    m_mnuSetting->setObjectName(QStringLiteral("mnu_Setting"));
    m_mnuFileSave = m_mnuSetting->addAction(QString(), this, &Form1::mnu_FileSave_Click);
    m_mnuFileSave->setObjectName(QStringLiteral("mnu_FileSave"));
    m_mnuRecord = m_mnuSetting->addAction(QString());
    m_mnuRecord->setObjectName(QStringLiteral("mnu_Record"));
    m_mnuRecord->setCheckable(true);
    connect(m_mnuRecord, &QAction::triggered, this, &Form1::recordingToggled);
    m_mnuSetting->addSeparator();
    auto* masters = new QActionGroup(this);
    m_mnuMasterPrimary = masters->addAction(QString());
    m_mnuMasterPrimary->setObjectName(QStringLiteral("mnu_MasterPrimary"));
    m_mnuMasterSecondary = masters->addAction(QString());
    m_mnuMasterSecondary->setObjectName(QStringLiteral("mnu_MasterSecondary"));
    for (QAction* item : masters->actions()) {
        item->setCheckable(true);
        m_mnuSetting->addAction(item);
    }
    m_mnuListenOnly = m_mnuSetting->addAction(QString());
    m_mnuListenOnly->setObjectName(QStringLiteral("mnu_ListenOnly"));
    m_mnuListenOnly->setCheckable(true);
    connect(m_mnuListenOnly, &QAction::triggered, this, [this](bool on) { setListenOnly(on); });
    connect(masters, &QActionGroup::triggered, this, [this](QAction* chosen) {
        setMasterRole(chosen == m_mnuMasterSecondary ? protocol::MasterRole::Secondary
                                                     : protocol::MasterRole::Primary,
                      true);
    });

    // A menu without items: choosing it on the bar shows or hides the port panel.
    m_mnuComPort = bar->addAction(QStringLiteral("Start/Stop"), this, &Form1::mnu_ComPort_Click);
    m_mnuComPort->setObjectName(QStringLiteral("mnu_ComPort"));

    m_mnuLanq = bar->addMenu(QString());
    m_mnuLanq->setObjectName(QStringLiteral("mnu_lanq"));
    m_mnuRus = m_mnuLanq->addAction(QStringLiteral("rus"), this, &Form1::mnu_rus_Click);
    m_mnuRus->setObjectName(QStringLiteral("mnu_rus"));
    m_mnuEng = m_mnuLanq->addAction(QStringLiteral("eng"), this, &Form1::mnu_eng_Click);
    m_mnuEng->setObjectName(QStringLiteral("mnu_eng"));
}

void Form1::buildBoard(QWidget* area) {
    const Twips& twips = m_twips;
    m_board = new BoardWidget(twips, area);
    m_board->move(twips.px(kFrameLeft), twips.px(kFrameTop));
    connect(m_board, &BoardWidget::rowActivated, this, &Form1::instrumentRequested);
}

void Form1::buildQuestion() {
    const Twips& twips = m_twips;
    m_frame3 = new QGroupBox(m_board);
    m_frame3->setObjectName(QStringLiteral("Frame3"));
    m_frame3->setGeometry(twips.rect(4770, 3015, 3840, 1725));
    // The question stands in front of the board, on an opaque face of its own.
    m_frame3->setAutoFillBackground(true);
    m_frame3->setBackgroundRole(QPalette::Button);
    auto* shadow = new QGraphicsDropShadowEffect(m_frame3);
    shadow->setBlurRadius(18);
    shadow->setOffset(3, 4);
    m_frame3->setGraphicsEffect(shadow);

    const QRect buttons[2] = {twips.rect(480, 900, 1215, 495), twips.rect(2145, 900, 1215, 495)};
    for (int index = 0; index < 2; ++index) {
        auto* button = new QPushButton(m_frame3);
        button->setObjectName(QStringLiteral("Command4_%1").arg(index));
        button->setGeometry(buttons[index]);
        // Enter on the focused button answers the question.
        button->setAutoDefault(true);
        connect(button, &QPushButton::clicked, this,
                [this, index] { Command4_Click(qint16(index)); });
        m_command4[index] = button;
    }
    m_frame3->raise();
}

void Form1::buildPanels(QWidget* row) {
    m_frame2 = new PortPanel(row);
    connect(m_frame2, &PortPanel::clicked, this, &Form1::Frame2_Click);
    connect(m_frame2, &PortPanel::portChosen, this, &Form1::Combo1_Click);
    connect(m_frame2, &PortPanel::portListOpening, this, &Form1::refreshPortList);
    connect(m_frame2, &PortPanel::command1Clicked, this, &Form1::Command1_Click);
    connect(m_frame2, &PortPanel::command2Clicked, this, &Form1::Command2_Click);

    m_basisFrame1 = new ResultsPanel(row);
    connect(m_basisFrame1, &ResultsPanel::basisCommand1Clicked, this, &Form1::Basis_Command1_Click);
    connect(m_basisFrame1, &ResultsPanel::command3Clicked, this, &Form1::Command3_Click);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_content && event->type() == QEvent::Resize)
        fitToScreen();
    return QMainWindow::eventFilter(watched, event);
}

void Form1::fitToScreen() {
    const QSize content = m_content->sizeHint().expandedTo(m_content->size());
    // Once the window is laid out, the height its menu bar really has: on Windows it is a
    // pixel more than the bar's hint, and a pixel short shows both scroll bars.
    int menuHeight = menuBar()->sizeHint().height();
    if (isVisible())
        menuHeight = qMax(menuHeight, height() - m_scroll->height());
    QSize wanted(content.width(), content.height() + menuHeight);
    const QRect screen = m_env.availableScreen ? m_env.availableScreen() : QRect();
    if (!screen.isEmpty()) {
        // The window's frame (title bar, borders) also takes room; before the window manager
        // has framed the window, allow for a typical one.
        const QMargins frame = isVisible() && frameGeometry() != geometry()
                                   ? QMargins(geometry().left() - frameGeometry().left(),
                                              geometry().top() - frameGeometry().top(),
                                              frameGeometry().right() - geometry().right(),
                                              frameGeometry().bottom() - geometry().bottom())
                                   : QMargins(4, 32, 4, 4);
        const QSize room = screen.size().shrunkBy(frame);
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        const bool tooWide = wanted.width() > room.width();
        const bool tooTall = wanted.height() > room.height();
        // A scroll bar for one direction takes room in the other.
        if (tooWide)
            wanted.rheight() += bar;
        if (tooTall)
            wanted.rwidth() += bar;
        wanted = wanted.boundedTo(room);
    }
    setFixedSize(wanted);
}

void Form1::setPanelVisible(QWidget* panel, bool visible) {
    panel->setVisible(visible);
    m_panelRow->setVisible(m_frame2->isVisibleTo(m_panelRow) ||
                           m_basisFrame1->isVisibleTo(m_panelRow));
}

// Start-up.

void Form1::Form_Load() {
    Set_Window_Icon(this, QStringLiteral("Icon1"), true);

    core::LoopSession::StartOptions options;
    options.device = m_env.startupDevice;
    options.missingDevice = m_env.missingDevice;
    options.network = m_env.network;
    if (m_env.networkKey)
        options.networkKey = [this](const QString& host) {
            return m_env.networkKey(host, languageFlag());
        };
    const core::LoopSession::StartReport report = m_session.open(options);

    QStringList problems;
    const app::SettingsFile::StartupProblems& settingsProblems = report.settings;
    if (!settingsProblems.folderError.isEmpty())
        problems << folderFailedMessage(languageFlag(), settingsProblems.folderError);
    if (!settingsProblems.saveError.isEmpty())
        problems << saveFailedMessage(languageFlag(), settingsProblems.saveError);
    if (!settingsProblems.setAsidePath.isEmpty() && m_env.note)
        m_env.note(QStringLiteral("The settings file %1 could not be read; it was kept as %2 and "
                                  "the defaults were written.")
                       .arg(settings().filePath(), settingsProblems.setAsidePath));

    const app::FolderPreparation& folders = report.folders;
    if (!folders.failedFolder.isEmpty())
        problems << folderFailedMessage(languageFlag(),
                                        pathAndReason(folders.failedFolder, folders.reason));
    if (report.notHartIp)
        problems << app::text(app::Text::MessageNotHartIp, languageFlag())
                        .arg(m_env.startupDevice,
                             core::addressProblemText(m_env.startupDevice, languageFlag()));

    Set_Captions();

    // Start-up goes on whatever failed; what did is said once, after the port was tried.
    if (!problems.isEmpty() && m_env.showMessage)
        m_env.showMessage(problems.join(QLatin1Char('\n')));
}

// Run control.

void Form1::Start() {
    command1()->setText(kStop);
    m_session.start();
}

void Form1::Stop() {
    m_pollWhenLineOpens = false;
    command1()->setText(kRun);
    m_session.stop();
}

// A HART-IP session comes back by itself: asked to poll while it is not open, the window polls
// once it is, and the button says STOP meanwhile (pressing it takes the wish back).
bool Form1::pollWhenTheLineOpens() {
    if (!m_session.hartIpSession())
        return false;
    m_pollWhenLineOpens = true;
    command1()->setText(kStop);
    return true;
}

void Form1::Command1_Click() {
    if (command1()->text() == kRun && shape1()->colour() == serial::kLampOpen)
        Start();
    else if (command1()->text() != kRun || !pollWhenTheLineOpens())
        Stop();
}

void Form1::Command4_Click(qint16 index) {
    if (index != 0) {
        Stop();
    } else if (shape1()->colour() == serial::kLampOpen) {
        Start();
    } else {
        pollWhenTheLineOpens();
        mnu_ComPort_Click();
    }
    m_frame3->hide();
}

void Form1::Command2_Click() {
    setPanelVisible(m_frame2, false);
}

void Form1::Command3_Click() {
    setPanelVisible(m_basisFrame1, false);
}

// Port panel.

void Form1::Combo1_Click() {
    m_pollWhenLineOpens = false;
    command1()->setText(kRun);
    cycle().stop();
    const QString device = combo1()->currentData().toString();
    if (device == PortPanel::networkEntryData()) {
        // The question is a dialog of its own: asked once the step under way has returned.
        if (cycle().isInsideStep())
            connect(
                &cycle(), &protocol::PollingCycle::stepFinished, this,
                [this] {
                    QMetaObject::invokeMethod(this, &Form1::chooseNetwork, Qt::QueuedConnection);
                },
                Qt::SingleShotConnection);
        else
            chooseNetwork();
        return;
    }
    // A serial port chosen while polling over the network: back to the serial line.
    m_session.useSerial();
    if (device.isEmpty())
        portController().changePort(combo1()->currentText());
    else
        portController().changeDevice(device);
    if (m_env.rememberDevice)
        m_env.rememberDevice(device);
}

void Form1::captureToggled(bool on) {
    if (!on) {
        m_session.stopCapture();
        return;
    }
    m_mnuCapture->setChecked(false); // until a file is chosen and made
    // The file is asked for in a dialog of its own: once the step under way has returned.
    if (cycle().isInsideStep())
        connect(
            &cycle(), &protocol::PollingCycle::stepFinished, this,
            [this] {
                QMetaObject::invokeMethod(this, &Form1::chooseCaptureFile, Qt::QueuedConnection);
            },
            Qt::SingleShotConnection);
    else
        chooseCaptureFile();
}

void Form1::chooseCaptureFile() {
    if (!m_env.pickCaptureFile)
        return;
    const QString path =
        m_env.pickCaptureFile(app::text(app::Text::CaptureFileTitle, languageFlag()));
    if (!path.isEmpty())
        startCapture(path);
}

void Form1::startCapture(const QString& path) {
    QString reason;
    const bool started = m_session.startCapture(path, &reason);
    m_mnuCapture->setChecked(started);
    if (!started)
        tell(asSentence(app::text(app::Text::CaptureNotMade, languageFlag()).arg(path, reason)));
}

void Form1::refreshPortList() {
    m_frame2->refreshPortList(m_env.discoverPorts,
                              app::text(app::Text::PortListNetwork, languageFlag()));
}

void Form1::chooseNetwork() {
    if (!m_env.askNetwork) {
        combo1()->setEditText(lineInUseText());
        return;
    }
    const net::HartIpSession* now = m_session.hartIpSession();
    const QString last = now ? net::hartIpDevice(now->address()) : QString();
    const std::optional<QString> device = m_env.askNetwork(last, languageFlag());
    if (!device) {
        // Nothing chosen: the box names the line in use again, not the entry.
        combo1()->setEditText(lineInUseText());
        return;
    }
    if (!m_session.useLine(*device)) {
        tell(app::text(app::Text::MessageNotHartIpChosen, languageFlag())
                 .arg(*device, core::addressProblemText(*device, languageFlag())));
        return;
    }
    combo1()->setEditText(*device);
    if (m_env.rememberDevice)
        m_env.rememberDevice(*device);
}

QString Form1::lineInUseText() {
    const net::HartIpSession* network = m_session.hartIpSession();
    return network ? net::hartIpDevice(network->address()) : portController().selectionText();
}

void Form1::showPortStatus() {
    if (m_session.hartIpSession()) {
        m_frame2->showStatus(m_session.networkStatusText(languageFlag()));
        return;
    }
    m_frame2->showStatus(serial::portStatusText(portController().status(), languageFlag()));
}

void Form1::followLine() {
    net::HartIpSession* network = m_session.hartIpSession();
    if (!network)
        return; // the serial port's controller drives the lamp and the line
    // The lamp and the port line follow the session: green while it is open.
    const auto follow = [this, network] {
        if (m_session.hartIpSession() != network)
            return;
        const bool open = network->state() == net::HartIpSessionMachine::State::Open;
        shape1()->setColour(open ? serial::kLampOpen : serial::kLampFailed);
        showPortStatus();
        if (open && m_pollWhenLineOpens && !m_session.isRunning()) {
            m_pollWhenLineOpens = false;
            Start();
        }
    };
    connect(network, &net::HartIpSession::stateChanged, this, follow);
    follow();
}

void Form1::mnu_ComPort_Click() {
    if (m_frame2->isVisibleTo(m_panelRow)) {
        setPanelVisible(m_frame2, false);
        return;
    }
    setPanelVisible(m_frame2, true);
    combo1()->setEditText(lineInUseText());
}

void Form1::Frame2_Click() {
    setPanelVisible(m_frame2, false);
}

// Results directory.

void Form1::mnu_FileSave_Click() {
    if (m_basisFrame1->isVisibleTo(m_panelRow)) {
        setPanelVisible(m_basisFrame1, false);
        return;
    }
    setPanelVisible(m_basisFrame1, true);
    m_basisFrame1->showFolder(settings().record().Results_Dir);
}

QString Form1::strGetAbsoluteFolderPathName(const QString& strTitle, qint32 lngRegim) {
    return m_env.pickFolder ? m_env.pickFolder(strTitle, lngRegim) : QString();
}

void Form1::Basis_Command1_Click() {
    QString folder =
        strGetAbsoluteFolderPathName(app::text(app::Text::FolderPickerTitle, languageFlag()), 0);
    if (folder.isEmpty())
        return;
    const QString separator = app::pathSeparator();
    if (!folder.endsWith(separator))
        folder += separator;
    // Cut short, the path would name another folder at the next start: refuse it instead.
    if (!app::fitsInRecord(folder)) {
        if (m_env.showMessage)
            m_env.showMessage(folderTooLongMessage(languageFlag(), folder));
        return;
    }
    m_basisFrame1->showFolder(folder);
    settings().record().Results_Dir = folder;
    saveSettingsOrReport();
}

// Language.

void Form1::applyCaptions(const Captions& captions) {
    m_mnuFile->setTitle(captions.mnu_File);
    m_mnuExit->setText(captions.mnu_Exit);
    m_mnuSetting->setTitle(captions.mnu_Setting);
    m_mnuLanq->setTitle(captions.mnu_lanq);
    m_frame3->setTitle(captions.Frame3);
    m_frame3->setAccessibleName(captions.Frame3);
    m_command4[0]->setText(captions.Command4_Yes);
    m_command4[1]->setText(captions.Command4_No);
    m_mnuFileSave->setText(captions.mnu_FileSave);
    m_frame2->applyCaptions(captions);
    m_basisFrame1->applyCaptions(captions);
}

void Form1::setMasterRole(protocol::MasterRole role, bool remember) {
    m_session.setMasterRole(role);
    const bool secondary = role == protocol::MasterRole::Secondary;
    (secondary ? m_mnuMasterSecondary : m_mnuMasterPrimary)->setChecked(true);
    const bool listening = m_session.listenOnly();
    m_mnuListenOnly->setChecked(listening);
    QStringList lines{listening ? app::text(app::Text::PanelListening, languageFlag())
                                : app::text(app::Text::PanelMasterRole, languageFlag())
                                      .arg(core::masterRoleText(role, languageFlag()))};
    for (const protocol::MasterRole heard : m_otherMasters)
        lines << asSentence(core::otherMasterText(heard, role, languageFlag(), listening));
    m_frame2->showRole(lines.join(QLatin1Char('\n')));
    const QString lamp =
        listening ? app::text(app::Text::LampListening, languageFlag()) : QString();
    shape1()->setToolTip(lamp);
    shape1()->setAccessibleDescription(lamp);
    if (remember && m_env.rememberMaster)
        m_env.rememberMaster(secondary);
}

LineView* Form1::lineView() const {
    return m_lineView;
}

void Form1::showLineView() {
    if (!m_lineView)
        m_lineView = new LineView(m_session.lineLog(), m_session.learner(), languageFlag(), this);
    m_lineView->show();
    m_lineView->raise();
    m_lineView->activateWindow();
}

NetworkWindow* Form1::networkWindow() const {
    return m_networkWindow;
}

void Form1::showNetworkWindow() {
    if (!m_networkWindow) {
        m_networkWindow = new NetworkWindow(m_session.ioSystems(), languageFlag(), this);
        connect(m_networkWindow, &NetworkWindow::instrumentRequested, this,
                &Form1::instrumentBehindRequested);
    }
    m_networkWindow->show();
    m_networkWindow->raise();
}

void Form1::setListenOnly(bool on) {
    // A run goes on in the mode it began in: a change stops it, and the next start takes it.
    if (m_session.isRunning())
        Stop();
    m_session.setListenOnly(on);
    setMasterRole(cycle().masterRole(), false);
}

QLabel* Form1::portRoleLabel() const {
    return m_frame2->roleLabel();
}

void Form1::applyFieldCaptions() {
    const qint16 flag = languageFlag();
    m_mnuRecord->setText(app::text(app::Text::MenuRecordMeasurements, flag));
    m_mnuCapture->setText(app::text(app::Text::MenuCapture, flag));
    m_mnuLine->setText(app::text(app::Text::MenuLine, flag));
    if (m_lineView)
        m_lineView->setLanguage(flag);
    m_mnuNetwork->setText(app::text(app::Text::MenuNetwork, flag));
    if (m_networkWindow)
        m_networkWindow->setLanguage(flag);
    m_mnuListenOnly->setText(app::text(app::Text::MenuListenOnly, flag));
    m_mnuMasterPrimary->setText(app::text(app::Text::MenuMasterPrimary, flag));
    m_mnuMasterSecondary->setText(app::text(app::Text::MenuMasterSecondary, flag));
    setMasterRole(cycle().masterRole(), false);
    showRecordLine();
    m_mnuInstrument->setTitle(app::text(app::Text::MenuInstrument, flag));
    const QList<QAction*> entries = m_mnuInstrument->actions();
    for (int address = 0; address < entries.size(); ++address)
        entries[address]->setText(app::text(app::Text::MenuInstrumentAddress, flag)
                                      .arg(address, 2, 10, QLatin1Char('0')));
}

void Form1::showRecordLine() {
    m_basisFrame1->showRecordLine(
        !m_recordingFile.isEmpty()
            ? app::text(app::Text::RecordingTo, languageFlag()).arg(m_recordingFile)
            : m_recordingNote);
}

void Form1::setTitle(const QString& title) {
    m_title = title;
    if (m_recordingFile.isEmpty()) {
        setWindowTitle(title);
        return;
    }
    setWindowTitle(title + app::text(app::Text::TitleRecordingMark, languageFlag()));
}

void Form1::showRecording(const QString& file) {
    m_recordingFile = file;
    if (!file.isEmpty())
        m_recordingNote.clear();
    m_mnuRecord->setChecked(!file.isEmpty());
    showRecordLine();
    setTitle(m_title);
}

void Form1::showRecordingNote(const QString& text) {
    m_recordingNote = text;
    showRecordLine();
}

void Form1::showAnswerExplanation(std::function<QString()> explain) {
    m_frame2->setAnswerExplanation(std::move(explain));
}

void Form1::tell(const QString& text) {
    if (m_env.showMessage)
        m_env.showMessage(text);
}

void Form1::note(const QString& line) {
    if (m_env.note)
        m_env.note(line);
}

void Form1::Set_Captions() {
    const qint16 flag = languageFlag();
    const std::optional<Captions> captions = captionsFor(flag);
    // The program's own captions beside the designed ones follow the one language rule also
    // where the flag selects neither designed set: Russian, as the captions left in place.
    applyFieldCaptions();
    if (!captions)
        return;
    applyCaptions(*captions);
    showPortStatus();
    emit languageChanged(flag);
    if (const std::optional<QString> title = titleLine(flag, m_env.now().date(), m_env.locale))
        setTitle(*title);
}

void Form1::mnu_eng_Click() {
    settings().record().Language_Flag = 0;
    Set_Captions();
    saveSettingsOrReport();
}

void Form1::mnu_rus_Click() {
    settings().record().Language_Flag = 1;
    Set_Captions();
    saveSettingsOrReport();
}

void Form1::saveSettingsOrReport() {
    QString error;
    if (settings().Save_Settings(&error) || !m_env.showMessage)
        return;
    m_env.showMessage(
        saveFailedMessage(languageFlag(), pathAndReason(settings().filePath(), error)));
}

// Shut-down.

void Form1::endProgram() {
    // A step under way ends at its next yield instead of sending on.
    cycle().stop();
    QCoreApplication::exit(0);
}

void Form1::mnu_Exit_Click() {
    endProgram();
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    endProgram();
}

} // namespace ui
