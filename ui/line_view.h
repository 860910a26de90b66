#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableView;

namespace core {
class LineLearner;
class LineLog;
} // namespace core

namespace ui {

class ExplanationTable;
class LineFilter;
class LineTableModel;

// The line as an analyzer shows it: one row a frame heard or sent (the last ten thousand), with
// the selected frame explained field by field; filtered by address and command, and paused at
// will. It only reads the line log: opening it changes nothing on the line.
class LineView : public QWidget {
    Q_OBJECT
public:
    LineView(const core::LineLog& log, const core::LineLearner& learner, qint16 languageFlag,
             QWidget* parent = nullptr);

    void setLanguage(qint16 languageFlag);
    QTableView* table() const { return m_table; }
    ExplanationTable* explanation() const { return m_explanation; }
    LineFilter* filter() const { return m_filter; }
    QCheckBox* pause() const { return m_pause; }
    QLabel* countLine() const { return m_count; }

private:
    void explainSelected();
    void showCount();
    void showUnplaced();

    const core::LineLog& m_log;
    const core::LineLearner& m_learner;
    qint16 m_language;
    LineTableModel* m_model = nullptr;
    LineFilter* m_filter = nullptr;
    QTableView* m_table = nullptr;
    ExplanationTable* m_explanation = nullptr;
    QLabel* m_addressCaption = nullptr;
    QLineEdit* m_address = nullptr;
    QLabel* m_commandCaption = nullptr;
    QSpinBox* m_command = nullptr;
    QCheckBox* m_pause = nullptr;
    QLabel* m_count = nullptr;
    QLabel* m_unplaced = nullptr;
};

} // namespace ui
