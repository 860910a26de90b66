#pragma once

#include "click_frame.h"

#include "serial/discovered_port.h"

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace ui {

struct Captions;
class LampWidget;

// Frame2, the port panel: the port box (Combo1) with its lamp, run/stop (Command1) and close
// (Command2), the line saying where the port stands, and the last answer as it was read. It
// shows what it is given and reports what the operator does; what that means for the loop is the
// window's to decide.
class PortPanel : public ClickFrame {
    Q_OBJECT
public:
    explicit PortPanel(QWidget* parent);

    void applyCaptions(const Captions& captions);
    // The port line: the device in use, or why there is none.
    void showStatus(const QString& text);
    // The line below it: which master this program is.
    void showRole(const QString& text);
    // The last answer: its length in Text1, its bytes in Text3. Put there while the panel is
    // shown, or when it is shown or its boxes are asked for: laying out Text3 anew for each of
    // the dozens of answers a second HART-IP brings costs a hidden panel more than all else.
    void showAnswer(int length, const QString& dump);
    // Text3's tooltip, the last answer taken apart, made by `explain` when the tooltip is
    // asked for; an empty text: none.
    void setAnswerExplanation(std::function<QString()> explain);
    // Combo1's entries: the four numbered ports, the devices `discover` reports now, and last
    // `networkEntry` (choosing it asks for a HART-IP server). What stands typed in the box stays.
    void refreshPortList(const serial::PortDiscovery& discover, const QString& networkEntry);
    // The data of the network entry.
    static QString networkEntryData() { return QStringLiteral("hartip:"); }

    QComboBox* combo1() const { return m_combo1; }
    LampWidget* shape1() const { return m_shape1; }
    QPushButton* command1() const { return m_command1; }
    QLineEdit* text1() const;
    QPlainTextEdit* text3() const;
    QLabel* statusLabel() const { return m_status; }
    QLabel* roleLabel() const { return m_role; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

signals:
    // An entry of Combo1 chosen from its list (typing into the box is not a choice).
    void portChosen();
    // Combo1's list is about to open.
    void portListOpening();
    void command1Clicked();
    void command2Clicked();

private:
    QLabel* m_label24 = nullptr;
    QComboBox* m_combo1 = nullptr;
    LampWidget* m_shape1 = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_role = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QLabel* m_label27 = nullptr;
    QLabel* m_label28 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QPlainTextEdit* m_text3 = nullptr;
    std::function<QString()> m_explain;

    void putAnswerInPlace() const;
    int m_answerLength = 0;
    QString m_answerDump;
    mutable bool m_answerInPlace = true;
};

} // namespace ui
