#include "line_view.h"

#include "explanation_table.h"
#include "line_table_model.h"

#include "app/texts.h"
#include "core/line_learner.h"
#include "field/frame_explanation.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace ui {

using app::Text;

LineView::LineView(const core::LineLog& log, const core::LineLearner& learner, qint16 languageFlag,
                   QWidget* parent)
    : QWidget(parent, Qt::Window), m_log(log), m_learner(learner), m_language(languageFlag) {
    setObjectName(QStringLiteral("Line_View"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_model = new LineTableModel(log, this);
    m_filter = new LineFilter(this);
    m_filter->setSourceModel(m_model);

    m_addressCaption = new QLabel(this);
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("Line_Address"));
    m_address->setMaximumWidth(140);
    m_addressCaption->setBuddy(m_address);
    connect(m_address, &QLineEdit::textChanged, m_filter, &LineFilter::setAddress);
    m_commandCaption = new QLabel(this);
    m_command = new QSpinBox(this);
    m_command->setObjectName(QStringLiteral("Line_Command"));
    m_command->setRange(-1, 255);
    m_command->setValue(-1);
    m_commandCaption->setBuddy(m_command);
    connect(m_command, &QSpinBox::valueChanged, m_filter, &LineFilter::setCommand);
    m_pause = new QCheckBox(this);
    m_pause->setObjectName(QStringLiteral("Line_Pause"));
    connect(m_pause, &QCheckBox::toggled, m_model, &LineTableModel::setPaused);
    m_count = new QLabel(this);
    auto* controls = new QHBoxLayout;
    controls->addWidget(m_addressCaption);
    controls->addWidget(m_address);
    controls->addWidget(m_commandCaption);
    controls->addWidget(m_command);
    controls->addWidget(m_pause);
    controls->addStretch(1);
    controls->addWidget(m_count);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("Line_Frames"));
    m_table->setModel(m_filter);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &LineView::explainSelected);
    // The newest row stays in sight unless the reader has scrolled up to look at an older one.
    connect(m_filter, &QAbstractItemModel::rowsInserted, this, [this] {
        showCount();
        if (!m_pause->isChecked() && m_table->selectionModel()->selectedRows().isEmpty())
            m_table->scrollToBottom();
    });
    connect(m_filter, &QAbstractItemModel::modelReset, this, &LineView::showCount);
    connect(m_filter, &QAbstractItemModel::rowsRemoved, this, &LineView::showCount);

    m_explanation = new ExplanationTable(this);
    m_explanation->setObjectName(QStringLiteral("Line_Explained"));
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_table);
    split->addWidget(m_explanation);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    m_unplaced = new QLabel(this);
    m_unplaced->setObjectName(QStringLiteral("Line_Unplaced"));
    m_unplaced->setWordWrap(true);
    m_unplaced->setTextFormat(Qt::PlainText);
    connect(&m_learner, &core::LineLearner::unplacedChanged, this, &LineView::showUnplaced);

    auto* column = new QVBoxLayout(this);
    column->addLayout(controls);
    column->addWidget(split, 1);
    column->addWidget(m_unplaced);
    resize(1100, 640);
    setLanguage(languageFlag);
    m_table->scrollToBottom();
}

void LineView::setLanguage(qint16 languageFlag) {
    m_language = languageFlag;
    const auto say = [this](Text id) { return app::text(id, m_language); };
    setWindowTitle(say(Text::LineTitle));
    m_addressCaption->setText(say(Text::LineFilterAddress));
    m_commandCaption->setText(say(Text::LineFilterCommand));
    m_command->setSpecialValueText(say(Text::LineAll));
    m_pause->setText(say(Text::LinePause));
    m_explanation->setHeaders(say(Text::ViewBytes), say(Text::ViewField), say(Text::ViewMeaning));
    m_model->setLanguage(languageFlag);
    m_table->resizeColumnsToContents();
    showCount();
    showUnplaced();
    explainSelected();
}

void LineView::explainSelected() {
    const QModelIndex current = m_table->selectionModel()->currentIndex();
    if (!current.isValid()) {
        m_explanation->setRowCount(0);
        return;
    }
    const core::LineEntry& e = m_model->entry(m_filter->mapToSource(current).row());
    m_explanation->showFields(field::explainAnswer(
        protocol::ReadAnswer::of(e.command, e.pollingAddress, e.checkRight, e.bytes),
        app::isEnglish(m_language)));
}

void LineView::showCount() {
    m_count->setText(
        app::text(Text::LineCount, m_language).arg(m_log.total()).arg(m_filter->rowCount()));
}

void LineView::showUnplaced() {
    QStringList addresses;
    for (const QByteArray& address : m_learner.unplaced())
        addresses << QString::fromLatin1(address.toHex().toUpper());
    m_unplaced->setText(
        addresses.isEmpty()
            ? QString()
            : app::text(Text::LineUnplaced, m_language).arg(addresses.join(QStringLiteral(", "))));
    m_unplaced->setVisible(!addresses.isEmpty());
}

} // namespace ui
