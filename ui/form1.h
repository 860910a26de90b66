#pragma once

#include "form1_environment.h"
#include "twips.h"
#include "window_surface.h"

#include "app/settings_file.h"
#include "protocol/master_role.h"
#include "protocol/protocol_state.h"
#include "protocol/qt_cycle_ports.h"
#include "serial/port_controller.h"
#include "serial/serial_port.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

namespace core {
class LoopSession;
}
namespace net {
struct HartIpAddress;
}
namespace protocol {
class PollingCycle;
}

namespace ui {

class BoardWidget;
struct Captions;
class LampWidget;
class LineView;
class NetworkWindow;
class MessageGate;
class PortPanel;
class ResultsPanel;

// The program's one window: the display board with the scan question, the port panel, the
// results panel and the menus. Every named control carries its name as its objectName. The loop
// behind it is its session's; the handlers below only show and ask.
class Form1 : public QMainWindow, public WindowSurface {
    Q_OBJECT
public:
    // The window of `session`, which it shows on its board until the window goes.
    Form1(core::LoopSession& session, Form1Environment environment, QWidget* parent = nullptr);
    ~Form1() override;

    // Runs once before the window is first shown: icon, settings, results folders, captions,
    // port 1.
    void Form_Load();

    // Run control.
    void Command1_Click();
    void Command4_Click(qint16 index);
    void Command2_Click();
    void Command3_Click();

    // Port panel.
    void Combo1_Click();
    void mnu_ComPort_Click();
    void Frame2_Click();

    // Results directory.
    void mnu_FileSave_Click();
    void Basis_Command1_Click();
    QString strGetAbsoluteFolderPathName(const QString& strTitle, qint32 lngRegim);

    // Language.
    void Set_Captions();
    // Combo1's entries: the numbered ports, then the devices the system reports now.
    void refreshPortList();
    void mnu_eng_Click();
    void mnu_rus_Click();

    void mnu_Exit_Click();

    // Shows that measurements go into `file`: a line in the results panel and a mark in the
    // title. An empty `file`: not recording, and neither is shown.
    void showRecording(const QString& file) override;
    QLabel* recordLine() const;
    // A word on recording while it is off, in the same line (why it stopped, that it can be
    // turned on again); empty: nothing to say.
    void showRecordingNote(const QString& text) override;
    // Over the dump of the last answer.
    void showAnswerExplanation(std::function<QString()> explain) override;
    void tell(const QString& text) override;
    void note(const QString& line) override;

signals:
    // The operator asked for the instrument view of a polling address (a board row
    // double-clicked, or the menu).
    void instrumentRequested(int address);
    // The same for an instrument behind the I/O system (a Network row double-clicked).
    void instrumentBehindRequested(const QByteArray& uniqueAddress);
    void languageChanged(qint16 languageFlag);
    // The operator turned recording on or off from the menu.
    void recordingToggled(bool on);

public:
    BoardWidget& board() const { return *m_board; }
    // The loop behind the window; the accessors below are its parts.
    core::LoopSession& session() { return m_session; }
    app::SettingsFile& settings();
    protocol::PollingCycle& cycle();
    serial::PortController& portController();
    serial::SerialPort& serialPort();

    QPushButton* yesButton() const { return m_command4[0]; }
    QPushButton* noButton() const { return m_command4[1]; }
    QPushButton* command1() const;
    QComboBox* combo1() const;
    LampWidget* shape1() const;
    QGroupBox* frame2() const;
    QGroupBox* basisFrame1() const;
    QLineEdit* basisText1() const;
    QLineEdit* text1() const;
    QPlainTextEdit* text3() const;
    QLabel* portStatusLabel() const;
    // The Setting menu's two master items.
    QAction* masterPrimaryItem() const { return m_mnuMasterPrimary; }
    QAction* captureItem() const { return m_mnuCapture; }
    QAction* listenOnlyItem() const { return m_mnuListenOnly; }
    QAction* lineItem() const { return m_mnuLine; }
    // Menu → Network: the instruments behind an I/O system reached over HART-IP.
    QAction* networkItem() const { return m_mnuNetwork; }
    void showNetworkWindow();
    NetworkWindow* networkWindow() const;
    // The line view, opened (or brought forward) from the menu.
    void showLineView();
    LineView* lineView() const;
    QAction* masterSecondaryItem() const { return m_mnuMasterSecondary; }
    QLabel* portRoleLabel() const;

    // The window's size: its contents' where the screen has room for them; otherwise as much
    // as the screen has, the contents scrolled within.
    void fitToScreen();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Listening only from the next start; a run under way stops.
    void setListenOnly(bool on);
    // The capture of the line, begun from the menu (a file is asked for) or ended.
    void captureToggled(bool on);
    void chooseCaptureFile();
    void startCapture(const QString& path);

    void buildMenus();
    // Requests from now on name `role`; the menu and the port panel say so, and the choice is
    // kept for the next start when the operator made it.
    void setMasterRole(protocol::MasterRole role, bool remember);
    void buildBoard(QWidget* area);
    void buildQuestion();
    void buildPanels(QWidget* row);
    void applyCaptions(const Captions& captions);
    void applyFieldCaptions();
    void setTitle(const QString& title);
    void setPanelVisible(QWidget* panel, bool visible);

    void showPortStatus();
    // The session moved to another line: over HART-IP, the lamp and the port line follow it.
    void followLine();
    // Asked to poll over HART-IP while the session is not open; false on the serial line.
    bool pollWhenTheLineOpens();
    // Over HART-IP, Yes (or RUN) while the session is not open: polling starts once it is.
    bool m_pollWhenLineOpens = false;
    // The port list's network entry: asks where, then polls there and remembers it.
    void chooseNetwork();
    // What the port box names while nothing is being chosen: the serial port or the network
    // address in use.
    QString lineInUseText();
    void showRecordLine();
    void Start();
    void Stop();
    void saveSettingsOrReport();
    void endProgram();
    qint16 languageFlag() const;

    Form1Environment m_env;
    Twips m_twips;

    // Menus.
    QMenu* m_mnuFile = nullptr;
    QAction* m_mnuExit = nullptr;
    QAction* m_mnuCapture = nullptr;
    QAction* m_mnuListenOnly = nullptr;
    QAction* m_mnuLine = nullptr;
    QPointer<LineView> m_lineView;
    QAction* m_mnuNetwork = nullptr;
    QPointer<NetworkWindow> m_networkWindow;
    bool m_networkWindowOpened = false; // by itself, once an I/O system was found
    QMenu* m_mnuInstrument = nullptr;   // one entry per polling address
    QMenu* m_mnuSetting = nullptr;
    QAction* m_mnuFileSave = nullptr;
    QAction* m_mnuRecord = nullptr;
    QAction* m_mnuMasterPrimary = nullptr;
    QAction* m_mnuMasterSecondary = nullptr;
    QList<protocol::MasterRole> m_otherMasters; // other masters heard on the line
    QAction* m_mnuComPort = nullptr;
    QMenu* m_mnuLanq = nullptr;
    QAction* m_mnuRus = nullptr;
    QAction* m_mnuEng = nullptr;

    QScrollArea* m_scroll = nullptr;
    QWidget* m_content = nullptr;

    // Board and question.
    BoardWidget* m_board = nullptr;
    QGroupBox* m_frame3 = nullptr;
    QPushButton* m_command4[2] = {nullptr, nullptr};

    // The panels below the board.
    QWidget* m_panelRow = nullptr;
    PortPanel* m_frame2 = nullptr;
    ResultsPanel* m_basisFrame1 = nullptr;

    MessageGate* m_messages = nullptr; // every message box goes through it

    QString m_title;         // as the captions give it
    QString m_recordingFile; // empty: not recording
    QString m_recordingNote; // shown instead while not recording

    core::LoopSession& m_session;
};

} // namespace ui
