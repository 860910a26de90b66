#pragma once

#include "twips.h"

#include "protocol/board.h"

#include <QFont>
#include <QGroupBox>

#include <array>

class QLabel;

namespace ui {

// Frame1: the display board, eleven heading labels over eleven columns of sixteen cells. Each
// cell is a label whose objectName is "<array>_<row>" ("Label1_3"), so it can be found by the
// name of its control array and its row.
class BoardWidget : public QGroupBox, public protocol::Board {
    Q_OBJECT
public:
    explicit BoardWidget(const Twips& twips, QWidget* parent = nullptr);

    void setCaption(protocol::Column column, int row, const QString& caption) override;
    void setColour(protocol::Column column, int row, protocol::WinColour colour) override;
    QString caption(protocol::Column column, int row) const override;
    protocol::WinColour colour(protocol::Column column, int row) const override;

    QLabel* cell(protocol::Column column, int row) const;
    QLabel* heading(protocol::Column column) const;

    // The heading caption above a column ("ID:").
    static QString headingCaption(protocol::Column column);

signals:
    // A row's cell was double-clicked: the operator asks for that instrument.
    void rowActivated(int row);

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Cell {
        QLabel* label = nullptr;
        protocol::WinColour colour = protocol::kIdleColour;
    };

    static int columnIndex(protocol::Column column);
    const Cell* find(protocol::Column column, int row) const;
    void paintCell(const Cell& cell);
    QFont fittingFont(const QLabel& label, const QString& caption) const;

    QFont m_cellFont;
    std::array<QLabel*, 11> m_headings{};
    std::array<std::array<Cell, protocol::kRowCount>, 11> m_cells{};
};

} // namespace ui
