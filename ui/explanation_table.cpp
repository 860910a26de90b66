#include "explanation_table.h"

#include <QFontDatabase>
#include <QHeaderView>

namespace ui {

namespace {
constexpr int kWidestBytesColumn = 330;
} // namespace

ExplanationTable::ExplanationTable(QWidget* parent) : QTableWidget(0, 3, parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setWordWrap(false);
}

void ExplanationTable::setHeaders(const QString& bytes, const QString& field,
                                  const QString& meaning) {
    setHorizontalHeaderLabels({bytes, field, meaning});
}

void ExplanationTable::showFields(const QList<field::ExplainedField>& fields) {
    bool sameRows = rowCount() == fields.size();
    for (int row = 0; sameRows && row < fields.size(); ++row)
        sameRows = item(row, 1) && item(row, 1)->text() == fields[row].name;
    setRowCount(int(fields.size()));
    for (int row = 0; row < fields.size(); ++row) {
        const field::ExplainedField& f = fields[row];
        const QStringList cells{f.bytes, f.name, f.meaning};
        for (int column = 0; column < 3; ++column) {
            QTableWidgetItem* cell = item(row, column);
            if (!cell) {
                cell = new QTableWidgetItem;
                setItem(row, column, cell);
            }
            if (cell->text() != cells[column]) {
                cell->setText(cells[column]);
                cell->setToolTip(cells[column]);
            }
        }
    }
    if (sameRows)
        return;
    resizeColumnToContents(0);
    resizeColumnToContents(1);
    setColumnWidth(0, qMin(columnWidth(0), kWidestBytesColumn));
}

} // namespace ui
