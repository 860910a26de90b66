#include "details_panel.h"

#include "app/texts.h"
#include "field/details.h"
#include "field/field_model.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ui {

DetailsPanel::DetailsPanel(QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("Instrument_Details"));
    m_table = new QTableWidget(0, 2, this);
    m_table->setObjectName(QStringLiteral("Details_Table"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_table);
}

void DetailsPanel::show(const field::Instrument& in, bool english) {
    // Laid out again only when something it shows changed: an answer, a request, the language.
    QByteArray shown(english ? "e" : "r");
    shown += in.identity ? char(in.identity->hartRevision) : char(-1);
    for (const auto& [command, answer] : in.details)
        shown += QByteArray::number(command) + (answer.accepted ? '+' : '-') +
                 QByteArray::number(answer.asRead.size()) + ':' + answer.asRead;
    for (const int command : in.detailsPending)
        shown += '?' + QByteArray::number(command);
    if (shown == m_shown && m_table->rowCount() > 0)
        return;
    m_shown = shown;
    const app::Language language = app::languageOf(english);
    setTitle(app::text(app::Text::ViewDetails, language));
    setAccessibleName(title());
    m_table->setRowCount(0);
    const auto addRow = [this](const QString& name, const QString& value, bool heading) {
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        auto* nameItem = new QTableWidgetItem(name);
        if (heading) {
            QFont bold = nameItem->font();
            bold.setBold(true);
            nameItem->setFont(bold);
            m_table->setSpan(row, 0, 1, 2);
        }
        m_table->setItem(row, 0, nameItem);
        if (!heading)
            m_table->setItem(row, 1, new QTableWidgetItem(value));
    };
    if (!in.identity || (in.details.empty() && in.detailsPending.empty())) {
        addRow(app::text(app::Text::ViewDetailsNotRead, language), QString(), true);
        m_table->resizeColumnToContents(0);
        return;
    }
    for (const int command : field::detailCommands(in.identity->hartRevision)) {
        const auto answer = in.details.find(command);
        const bool pending = in.detailsPending.count(command) > 0;
        if (answer == in.details.end() && !pending)
            continue;
        addRow(field::detailHeading(command, english), QString(), true);
        if (answer == in.details.end()) {
            addRow(QString(), app::text(app::Text::ViewDetailsAsking, language), false);
            continue;
        }
        const field::DetailReading reading = field::readDetail(answer->second, english);
        if (reading.state != field::DetailReading::State::Read)
            addRow(QString(), reading.stateText, false);
        for (const field::DetailRow& row : reading.rows)
            addRow(row.name, row.value, false);
    }
    m_table->resizeColumnToContents(0);
}

QString DetailsPanel::text() const {
    QStringList lines;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QTableWidgetItem* name = m_table->item(row, 0);
        const QTableWidgetItem* value = m_table->item(row, 1);
        const QString n = name ? name->text() : QString();
        lines << (value ? (n.isEmpty() ? value->text() : n + QStringLiteral(": ") + value->text())
                        : n);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace ui
