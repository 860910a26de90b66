#pragma once

#include <QGroupBox>

class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

struct Captions;

// Basis_Frame1, the results panel: the results folder in force (Basis_Text1) with the button
// that picks another (Basis_Command1) and close (Command3), and below them the line about
// recording. It shows what it is given and reports the clicks.
class ResultsPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit ResultsPanel(QWidget* parent);

    void applyCaptions(const Captions& captions);
    void showFolder(const QString& folder);
    // The recording line; empty: hidden.
    void showRecordLine(const QString& text);

    QLineEdit* basisText1() const { return m_basisText1; }
    QLabel* recordLine() const { return m_recordLine; }

signals:
    void basisCommand1Clicked();
    void command3Clicked();

private:
    QLabel* m_basisLabel1 = nullptr;
    QLineEdit* m_basisText1 = nullptr;
    QPushButton* m_basisCommand1 = nullptr;
    QPushButton* m_command3 = nullptr;
    QLabel* m_recordLine = nullptr; // where measurements go, while they are recorded
};

} // namespace ui
