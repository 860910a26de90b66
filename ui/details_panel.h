#pragma once

#include <QGroupBox>

class QTableWidget;

namespace field {
struct Instrument;
}

namespace ui {

// What an instrument told beyond the pass, command by command under its own heading: the
// values that came, or why none did (not supported, no answer, damaged), or that the question is
// still on its way.
class DetailsPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit DetailsPanel(QWidget* parent);

    void show(const field::Instrument& in, bool english);
    QTableWidget* table() const { return m_table; }
    // Everything shown, one "name: value" line per row, headings alone: for tests and readers.
    QString text() const;

private:
    QTableWidget* m_table = nullptr;
    QByteArray m_shown; // what the table shows, as last laid out
};

} // namespace ui
