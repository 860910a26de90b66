#include "network_window.h"

#include "sub_device_table_model.h"

#include "app/texts.h"
#include "core/io_system_reader.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace ui {

NetworkWindow::NetworkWindow(const core::IoSystemReader& reader, qint16 languageFlag,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), m_reader(reader), m_language(languageFlag) {
    setObjectName(QStringLiteral("NetworkWindow"));
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("Network_Summary"));
    m_summary->setTextFormat(Qt::PlainText);
    m_model = new SubDeviceTableModel(reader, this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("Network_Table"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->setWordWrap(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    connect(m_table, &QTableView::activated, this, [this](const QModelIndex& index) {
        if (index.row() < int(m_reader.subDevices().size()))
            emit instrumentRequested(
                m_reader.subDevices()[size_t(index.row())].summary.uniqueAddress());
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
    connect(&reader, &core::IoSystemReader::listChanged, this, [this] {
        showSummary();
        fitColumns();
    });
    resize(1100, 520);
    setLanguage(languageFlag);
}

void NetworkWindow::setLanguage(qint16 languageFlag) {
    m_language = languageFlag;
    setWindowTitle(app::text(app::Text::NetworkWindowTitle, languageFlag));
    m_model->setLanguage(languageFlag);
    showSummary();
    fitColumns();
}

void NetworkWindow::fitColumns() {
    // The values come after the list: their column has room for a value and its unit from the
    // start, so it does not jump while they arrive.
    m_table->resizeColumnsToContents();
    const int valueWidth =
        m_table->fontMetrics().horizontalAdvance(QStringLiteral("-12345.678 kg/h")) + 12;
    m_table->setColumnWidth(SubDeviceTableModel::Pv,
                            qMax(valueWidth, m_table->columnWidth(SubDeviceTableModel::Pv)));
}

void NetworkWindow::showSummary() {
    const std::optional<field::IoSystem>& io = m_reader.ioSystem();
    if (!io || m_reader.ioSystemAddress() < 0) {
        m_summary->setText(app::text(app::Text::NetworkWindowNone, m_language));
        return;
    }
    m_summary->setText(
        app::text(app::Text::NetworkWindowSummary, m_language)
            .arg(m_reader.ioSystemAddress(), 2, 10, QLatin1Char('0'))
            .arg(io->cards)
            .arg(io->channelsPerCard)
            .arg(m_reader.subDevices().size()) +
        (m_reader.subDevices().empty()
             ? QString()
             : QStringLiteral(". ") + app::text(app::Text::NetworkOpenHint, m_language)));
}

} // namespace ui
