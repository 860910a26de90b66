#include "form1.h"

#include "board_widget.h"
#include "captions.h"
#include "click_frame.h"
#include "lamp_widget.h"
#include "message_gate.h"
#include "port_combo.h"
#include "twips.h"
#include "user_messages.h"
#include "window_icon.h"

#include "app/language.h"
#include "app/paths.h"
#include "app/result_folders.h"
#include "core/loop_session.h"
#include "protocol/decoders.h"
#include "protocol/polling_cycle.h"
#include "serial/port_status_text.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGraphicsDropShadowEffect>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStringList>
#include <QStyle>
#include <QVBoxLayout>

namespace ui {

namespace {

const QString kRun = QStringLiteral("RUN");
const QString kStop = QStringLiteral("STOP");
const QString kPickerTitle = QStringLiteral("Выберите директорию для хранения результата:");

// Frame1 within the client area, and the margin kept around it (twips).
constexpr int kFrameLeft = 90;
constexpr int kFrameTop = 225;
constexpr int kFrameWidth = 14775;
constexpr int kFrameHeight = 7395;
constexpr int kMargin = 90;

// Return in the port box's text field: Qt's editable combo box would take the typed text as a
// choice from the list and fire a port change. Only a choice from the list is one.
class SwallowReturn : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                return event->type() == QEvent::KeyPress;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

Form1::Form1(Form1Environment environment, QWidget* parent)
    : QMainWindow(parent), m_env(std::move(environment)),
      m_twips(m_env.logicalDpi > 0 ? m_env.logicalDpi : screenLogicalDpi()) {
    setObjectName(QStringLiteral("Form1"));
    // Every message of the window, the port's and the recorder's alike, waits for the polling
    // step under way to end: a box opened inside a step would hold the pass until OK.
    if (m_env.showMessage) {
        m_messages = new MessageGate([this] { return m_session && cycle().isInsideStep(); },
                                     m_env.showMessage, this);
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
    buildPortPanel();
    buildResultsPanel();
    panels->addWidget(m_frame2, 0, Qt::AlignTop);
    panels->addWidget(m_basisFrame1, 0, Qt::AlignTop);
    panels->addStretch(1);

    m_frame2->hide();
    m_basisFrame1->hide();
    m_panelRow->hide();

    // The loop itself, writing to this window's board; the window only shows and asks.
    core::LoopSession::Setup setup;
    setup.settingsDir = m_env.settingsDir;
    setup.now = m_env.now;
    setup.locale = m_env.locale;
    setup.messages = [this](const QString& text) {
        if (m_env.showMessage)
            m_env.showMessage(text);
    };
    m_session = std::make_unique<core::LoopSession>(*m_board, std::move(setup));
    if (m_messages)
        connect(&cycle(), &protocol::PollingCycle::stepFinished, m_messages, &MessageGate::release);
    connect(&cycle(), &protocol::PollingCycle::answerReceived, this,
            [this](int length, const QString& dump) {
                m_text1->setText(QString::number(length));
                m_text3->setPlainText(dump);
            });

    m_shape1->setColour(portController().lampColour());
    connect(&portController(), &serial::PortController::lampChanged, m_shape1,
            &LampWidget::setColour);
    connect(&portController(), &serial::PortController::statusChanged, this,
            &Form1::showPortStatus);

    applyCaptions(initialCaptions());
    applyFieldCaptions();
    setTitle(initialTitle());
    m_command4[0]->setFocus();
    fitToScreen();
}

Form1::~Form1() = default;

app::SettingsFile& Form1::settings() {
    return m_session->settings();
}

protocol::ProtocolState& Form1::protocolState() {
    return m_session->protocolState();
}

protocol::PollingCycle& Form1::cycle() {
    return m_session->cycle();
}

serial::PortController& Form1::portController() {
    return m_session->portController();
}

serial::SerialPort& Form1::serialPort() {
    return m_session->serialPort();
}

protocol::QtAnswerTimer& Form1::answerTimer() {
    return m_session->answerTimer();
}

qint16 Form1::languageFlag() const {
    return m_session->settings().record().Language_Flag;
}

QGroupBox* Form1::frame2() const {
    return m_frame2;
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

void Form1::buildPortPanel() {
    m_frame2 = new ClickFrame(m_panelRow);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    connect(m_frame2, &ClickFrame::clicked, this, &Form1::Frame2_Click);

    m_label24 = new QLabel(QStringLiteral("COM"), m_frame2);
    m_label24->setObjectName(QStringLiteral("Label24"));

    auto* combo = new PortComboBox(m_frame2);
    combo->setBeforePopup([this] { refreshPortList(); });
    m_combo1 = combo;
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setEditable(true);
    m_combo1->setInsertPolicy(QComboBox::NoInsert);
    m_combo1->addItems(
        {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
    m_combo1->setMinimumContentsLength(3);
    // The box stays narrow; the list opens as wide as its longest device name.
    m_combo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // Choosing an entry is a port change; typing into the box, Return included, is not.
    connect(m_combo1, &QComboBox::activated, this, [this](int) { Combo1_Click(); });
    m_combo1->lineEdit()->installEventFilter(new SwallowReturn(m_combo1));
    m_label24->setBuddy(m_combo1);

    m_shape1 = new LampWidget(m_frame2);

    m_portStatus = new QLabel(m_frame2);
    m_portStatus->setObjectName(QStringLiteral("Port_Status"));
    m_portStatus->setTextFormat(Qt::PlainText);
    m_portStatus->setWordWrap(true);
    m_portStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_command1 = new QPushButton(kStop, m_frame2);
    m_command1->setObjectName(QStringLiteral("Command1"));
    connect(m_command1, &QPushButton::clicked, this, &Form1::Command1_Click);

    m_command2 = new QPushButton(m_frame2);
    m_command2->setObjectName(QStringLiteral("Command2"));
    connect(m_command2, &QPushButton::clicked, this, &Form1::Command2_Click);

    m_label28 = new QLabel(m_frame2);
    m_label28->setObjectName(QStringLiteral("Label28"));
    m_text1 = new QLineEdit(m_frame2);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setReadOnly(true);
    m_text1->setAlignment(Qt::AlignRight);
    m_text1->setMaximumWidth(72);
    m_label28->setBuddy(m_text1);

    m_label27 = new QLabel(m_frame2);
    m_label27->setObjectName(QStringLiteral("Label27"));
    m_text3 = new QPlainTextEdit(m_frame2);
    m_text3->setObjectName(QStringLiteral("Text3"));
    m_text3->setReadOnly(true);
    m_text3->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text3->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text3->setMinimumWidth(520);
    m_text3->setFixedHeight(4 * m_text3->fontMetrics().lineSpacing() + 10);
    m_label27->setBuddy(m_text3);

    auto* grid = new QGridLayout(m_frame2);
    grid->addWidget(m_label24, 0, 0);
    grid->addWidget(m_combo1, 0, 1);
    grid->addWidget(m_shape1, 0, 2);
    grid->setColumnStretch(3, 1);
    grid->addWidget(m_command1, 0, 4);
    grid->addWidget(m_command2, 0, 5);
    grid->addWidget(m_portStatus, 1, 0, 1, 6);
    grid->addWidget(m_label28, 2, 0, 1, 3);
    grid->addWidget(m_text1, 2, 3, Qt::AlignLeft);
    grid->addWidget(m_label27, 3, 0, 1, 6);
    grid->addWidget(m_text3, 4, 0, 1, 6);
}

void Form1::buildResultsPanel() {
    m_basisFrame1 = new QGroupBox(m_panelRow);
    m_basisFrame1->setObjectName(QStringLiteral("Basis_Frame1"));

    m_basisLabel1 = new QLabel(m_basisFrame1);
    m_basisLabel1->setObjectName(QStringLiteral("Basis_Label1"));
    m_basisText1 = new QLineEdit(m_basisFrame1);
    m_basisText1->setObjectName(QStringLiteral("Basis_Text1"));
    m_basisText1->setMinimumWidth(340);
    m_basisLabel1->setBuddy(m_basisText1);

    m_basisCommand1 = new QPushButton(m_basisFrame1);
    m_basisCommand1->setObjectName(QStringLiteral("Basis_Command1"));
    connect(m_basisCommand1, &QPushButton::clicked, this, &Form1::Basis_Command1_Click);

    m_command3 = new QPushButton(m_basisFrame1);
    m_command3->setObjectName(QStringLiteral("Command3"));
    connect(m_command3, &QPushButton::clicked, this, &Form1::Command3_Click);

    auto* grid = new QGridLayout(m_basisFrame1);
    grid->addWidget(m_basisLabel1, 0, 0, 1, 3);
    grid->addWidget(m_basisText1, 1, 0, 1, 3);
    grid->setColumnStretch(0, 1);
    grid->addWidget(m_basisCommand1, 2, 1);
    grid->addWidget(m_command3, 2, 2);
    m_recordLine = new QLabel(m_basisFrame1);
    m_recordLine->setObjectName(QStringLiteral("Record_Label"));
    m_recordLine->setTextFormat(Qt::PlainText);
    m_recordLine->setWordWrap(true);
    m_recordLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_recordLine->hide();
    grid->addWidget(m_recordLine, 3, 0, 1, 3);
    grid->setRowStretch(4, 1);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_content && event->type() == QEvent::Resize)
        fitToScreen();
    return QMainWindow::eventFilter(watched, event);
}

void Form1::fitToScreen() {
    const QSize content = m_content->sizeHint().expandedTo(m_content->size());
    const int menuHeight = menuBar()->sizeHint().height();
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

    QStringList problems;
    const app::SettingsFile::StartupProblems settingsProblems = settings().openAtStartup();
    if (!settingsProblems.folderError.isEmpty())
        problems << folderFailedMessage(languageFlag(), settingsProblems.folderError);
    if (!settingsProblems.saveError.isEmpty())
        problems << saveFailedMessage(languageFlag(), settingsProblems.saveError);
    if (!settingsProblems.setAsidePath.isEmpty() && m_env.note)
        m_env.note(QStringLiteral("The settings file %1 could not be read; it was kept as %2 and "
                                  "the defaults were written.")
                       .arg(settings().filePath(), settingsProblems.setAsidePath));

    const app::FolderPreparation folders = app::prepareResultFolders(
        settings().record().Results_Dir, m_env.now().date(), m_env.locale);
    m_monthDir = folders.Month_Dir;
    if (!folders.failedFolder.isEmpty())
        problems << folderFailedMessage(languageFlag(),
                                        pathAndReason(folders.failedFolder, folders.reason));

    Set_Captions();
    if (!m_env.startupDevice.isEmpty())
        serialPort().setDevice(m_env.startupDevice);
    portController().Open_Port();
    if (!m_env.missingDevice.isEmpty())
        portController().noteMissingRemembered(m_env.missingDevice);

    // Start-up goes on whatever failed; what did is said once, after the port was tried.
    if (!problems.isEmpty() && m_env.showMessage)
        m_env.showMessage(problems.join(QLatin1Char('\n')));
}

// Run control.

void Form1::Start() {
    m_command1->setText(kStop);
    serialPort().setDtrEnable(true);
    cycle().start();
}

void Form1::Stop() {
    m_command1->setText(kRun);
    cycle().stop();
}

void Form1::Command1_Click() {
    if (m_command1->text() == kRun && m_shape1->colour() == serial::kLampOpen)
        Start();
    else
        Stop();
}

void Form1::Command4_Click(qint16 index) {
    if (index != 0)
        Stop();
    else if (m_shape1->colour() == serial::kLampOpen)
        Start();
    else
        mnu_ComPort_Click();
    m_frame3->hide();
}

void Form1::Command2_Click() {
    setPanelVisible(m_frame2, false);
}

void Form1::Command3_Click() {
    setPanelVisible(m_basisFrame1, false);
}

void Form1::Clear_Display() {
    protocol::Clear_Display(protocolState(), *m_board);
}

// Port panel.

void Form1::Combo1_Click() {
    m_command1->setText(kRun);
    cycle().stop();
    const QString device = m_combo1->currentData().toString();
    if (device.isEmpty())
        portController().changePort(m_combo1->currentText());
    else
        portController().changeDevice(device);
    if (m_env.rememberDevice)
        m_env.rememberDevice(device);
}

void Form1::refreshPortList() {
    constexpr int kNumberedPorts = 4;
    const QString typed = m_combo1->currentText();
    while (m_combo1->count() > kNumberedPorts)
        m_combo1->removeItem(m_combo1->count() - 1);
    if (m_env.discoverPorts) {
        for (const serial::PortEntry& entry : serial::portEntries(m_env.discoverPorts()))
            m_combo1->addItem(entry.text, entry.devicePath);
    }
    m_combo1->setEditText(typed);
}

void Form1::showPortStatus() {
    const QString text = serial::portStatusText(portController().status(), languageFlag());
    // Device paths have no blanks; let a long one break after its separators rather than run
    // out of the panel.
    QString breakable = text;
    for (const QChar separator : {QLatin1Char('/'), QLatin1Char('-'), QLatin1Char('_')})
        breakable.replace(separator, QString(separator) + QChar(0x200B));
    m_portStatus->setText(breakable);
    m_portStatus->setAccessibleName(text);
}

void Form1::mnu_ComPort_Click() {
    if (m_frame2->isVisibleTo(m_panelRow)) {
        setPanelVisible(m_frame2, false);
        return;
    }
    setPanelVisible(m_frame2, true);
    m_combo1->setEditText(portController().selectionText());
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
    m_basisText1->setText(settings().record().Results_Dir);
}

QString Form1::strGetAbsoluteFolderPathName(const QString& strTitle, qint32 lngRegim) {
    return m_env.pickFolder ? m_env.pickFolder(strTitle, lngRegim) : QString();
}

void Form1::Basis_Command1_Click() {
    QString folder = strGetAbsoluteFolderPathName(kPickerTitle, 0);
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
    m_basisText1->setText(folder);
    settings().record().Results_Dir = folder;
    saveSettingsOrReport();
}

// Language.

void Form1::applyCaptions(const Captions& captions) {
    m_mnuFile->setTitle(captions.mnu_File);
    m_mnuExit->setText(captions.mnu_Exit);
    m_mnuSetting->setTitle(captions.mnu_Setting);
    m_mnuLanq->setTitle(captions.mnu_lanq);
    m_basisFrame1->setTitle(captions.Basis_Frame1);
    m_basisFrame1->setAccessibleName(captions.Basis_Frame1);
    m_basisLabel1->setText(captions.Basis_Label1);
    m_basisCommand1->setText(captions.Basis_Command1);
    m_frame3->setTitle(captions.Frame3);
    m_frame3->setAccessibleName(captions.Frame3);
    m_command4[0]->setText(captions.Command4_Yes);
    m_command4[1]->setText(captions.Command4_No);
    m_mnuFileSave->setText(captions.mnu_FileSave);
    m_command2->setText(captions.Command2);
    m_frame2->setTitle(captions.Frame2);
    m_frame2->setAccessibleName(captions.Frame2);
    m_label27->setText(captions.Label27);
    m_label28->setText(captions.Label28);
    m_command3->setText(captions.Command3);
}

void Form1::applyFieldCaptions() {
    const bool english = app::isEnglish(languageFlag());
    m_mnuRecord->setText(english ? QStringLiteral("Record measurements")
                                 : QStringLiteral("Записывать измерения"));
    m_recordLine->setText(
        m_recordingFile.isEmpty() && !m_recordingNote.isEmpty()
            ? m_recordingNote
            : (english ? QStringLiteral("Recording to: %1") : QStringLiteral("Запись в файл: %1"))
                  .arg(m_recordingFile));
    m_recordLine->setAccessibleName(m_recordLine->text());
    m_mnuInstrument->setTitle(english ? QStringLiteral("Instrument") : QStringLiteral("Прибор"));
    const QList<QAction*> entries = m_mnuInstrument->actions();
    for (int address = 0; address < entries.size(); ++address)
        entries[address]->setText(
            (english ? QStringLiteral("Address %1") : QStringLiteral("Адрес %1"))
                .arg(address, 2, 10, QLatin1Char('0')));
}

void Form1::setTitle(const QString& title) {
    m_title = title;
    if (m_recordingFile.isEmpty()) {
        setWindowTitle(title);
        return;
    }
    const bool english = app::isEnglish(languageFlag());
    setWindowTitle(title +
                   (english ? QStringLiteral(" — ● recording") : QStringLiteral(" — ● запись")));
}

void Form1::showRecording(const QString& file) {
    m_recordingFile = file;
    if (!file.isEmpty())
        m_recordingNote.clear();
    m_mnuRecord->setChecked(!file.isEmpty());
    applyFieldCaptions();
    m_recordLine->setVisible(!file.isEmpty() || !m_recordingNote.isEmpty());
    setTitle(m_title);
}

void Form1::showRecordingNote(const QString& text) {
    m_recordingNote = text;
    if (m_recordingFile.isEmpty()) {
        applyFieldCaptions();
        m_recordLine->setVisible(!text.isEmpty());
    }
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
