#pragma once

#include <QWidget>

class QLabel;
class QTableView;

namespace core {
class IoSystemReader;
} // namespace core

namespace ui {

class SubDeviceTableModel;

// The instruments behind an I/O system reached over HART-IP, one row each. It only reads what
// the reader found: opening it asks nothing of the line.
class NetworkWindow : public QWidget {
    Q_OBJECT
public:
    NetworkWindow(const core::IoSystemReader& reader, qint16 languageFlag,
                  QWidget* parent = nullptr);

    void setLanguage(qint16 languageFlag);
    QTableView* table() const { return m_table; }
    QLabel* summary() const { return m_summary; }

signals:
    // A row was double-clicked (or Enter pressed on it): the view of its instrument.
    void instrumentRequested(const QByteArray& uniqueAddress);

private:
    void showSummary();
    void fitColumns();

    const core::IoSystemReader& m_reader;
    qint16 m_language;
    SubDeviceTableModel* m_model = nullptr;
    QLabel* m_summary = nullptr;
    QTableView* m_table = nullptr;
};

} // namespace ui
