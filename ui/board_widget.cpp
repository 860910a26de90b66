#include "board_widget.h"

#include "board_fonts.h"
#include "quiet_updates.h"
#include "win_colour.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>

namespace ui {

namespace {

using protocol::Column;

struct ColumnLayout {
    Column column;
    const char* headingName;
    const char* headingCaption;
    int headingLeft;
    int headingWidth;
    bool serifHeading;
    int cellLeft;
    int cellWidth;
};

// Twips, relative to Frame1.
constexpr ColumnLayout kColumns[] = {
    {Column::Label6, "Label7", "Nr.", 225, 375, false, 225, 375},
    {Column::Label1, "Label8", "ID:", 825, 495, false, 825, 1215},
    {Column::Label2, "Label9", "Name:", 2265, 735, false, 2265, 1215},
    {Column::Label3, "Label10", "Handle:", 3705, 975, false, 3705, 2175},
    {Column::Label4, "Label11", "Date:", 6105, 735, false, 6105, 1215},
    {Column::Label5, "Label12", "Status:", 7545, 735, false, 7545, 735},
    {Column::Label13, "Label18", "I, mA", 8505, 975, true, 8505, 855},
    {Column::Label14, "Label19", "Par.N 1", 9585, 975, false, 9585, 975},
    {Column::Label15, "Label20", "Par.N 2", 10710, 855, false, 10710, 975},
    {Column::Label16, "Label21", "Par.N 3", 11910, 975, false, 11910, 975},
    {Column::Label17, "Label22", "Par.N 4", 13110, 975, false, 13110, 1215},
};

constexpr int kHeadingTop = 855;
constexpr int kRowHeight = 255;
constexpr int kFirstCellTop = 1215;
constexpr int kRowPitch = 360;

// Frame1 within the window's client area.
constexpr int kFrameWidth = 14775;
constexpr int kFrameHeight = 7395;

const ColumnLayout& layoutOf(Column column) {
    return kColumns[static_cast<int>(column)];
}

QString rowText(int row) {
    return QStringLiteral("%1").arg(row, 2, 10, QLatin1Char('0'));
}

} // namespace

BoardWidget::BoardWidget(const Twips& twips, QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("Frame1"));
    setTitle(QStringLiteral("Corvantelis"));
    setFixedSize(twips.px(kFrameWidth), twips.px(kFrameHeight));
    // A face of its own, a shade darker than the window, so the white readouts stand out as
    // on an instrument panel.
    setAutoFillBackground(true);
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Window).darker(112));
    setPalette(face);

    const QFont sans = boardSansFont();
    m_cellFont = sans;
    const QFont serif = boardSerifFont();

    for (const ColumnLayout& layout : kColumns) {
        const int index = columnIndex(layout.column);

        auto* heading = new QLabel(QString::fromLatin1(layout.headingCaption), this);
        heading->setObjectName(QString::fromLatin1(layout.headingName));
        heading->setGeometry(
            twips.rect(layout.headingLeft, kHeadingTop, layout.headingWidth, kRowHeight));
        heading->setFont(layout.serifHeading ? serif : sans);
        heading->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        QPalette headingPalette = heading->palette();
        headingPalette.setColor(QPalette::WindowText,
                                toQColor(protocol::kWindowTextColour, headingPalette));
        heading->setPalette(headingPalette);
        m_headings[index] = heading;

        for (int row = 0; row < protocol::kRowCount; ++row) {
            auto* label = new QLabel(this);
            label->setObjectName(protocol::columnName(layout.column) + QLatin1Char('_') +
                                 QString::number(row));
            label->setGeometry(twips.rect(layout.cellLeft, kFirstCellTop + kRowPitch * row,
                                          layout.cellWidth, kRowHeight));
            label->setFont(sans);
            // Tags and descriptors may hold '<' and '>': what came off the wire is shown as it
            // is, never read as markup.
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            label->setAutoFillBackground(true);
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            label->setLineWidth(1);
            label->setMargin(0);
            label->setIndent(1);
            label->setAccessibleDescription(headingCaption(layout.column) +
                                            QStringLiteral(" row ") + rowText(row));
            label->setProperty("boardRow", row);
            label->installEventFilter(this);
            Cell& cell = m_cells[index][row];
            cell.label = label;
            setCaption(layout.column, row, protocol::designCaption(layout.column, row));
            setColour(layout.column, row, protocol::kIdleColour);
        }
    }
}

QString BoardWidget::headingCaption(Column column) {
    return QString::fromLatin1(layoutOf(column).headingCaption);
}

int BoardWidget::columnIndex(Column column) {
    return static_cast<int>(column);
}

const BoardWidget::Cell* BoardWidget::find(Column column, int row) const {
    const int index = columnIndex(column);
    if (index < 0 || index >= int(m_cells.size()) || row < 0 || row >= protocol::kRowCount)
        return nullptr;
    return &m_cells[index][row];
}

QFont BoardWidget::fittingFont(const QLabel& label, const QString& caption) const {
    // Where the board's own face is missing, a wider one stands in; a caption that would not fit
    // its cell is drawn a little smaller rather than cut off at the left.
    constexpr qreal kSmallestPointSize = 6.0;
    const int room = label.contentsRect().width() - label.indent() - 1;
    // Most captions are short numbers well inside the cell: the widths of their characters one
    // by one (cached by Qt; for the Latin captions of the board never less than the shaped
    // text, which kerning only narrows) settle that without shaping the text.
    const QFontMetrics cellMetrics(m_cellFont);
    int upperBound = 0;
    for (const QChar c : caption)
        upperBound += cellMetrics.horizontalAdvance(c);
    if (upperBound <= room)
        return m_cellFont;
    QFont font = m_cellFont;
    while (QFontMetrics(font).horizontalAdvance(caption) > room &&
           font.pointSizeF() > kSmallestPointSize)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    return font;
}

void BoardWidget::setCaption(Column column, int row, const QString& caption) {
    const Cell* cell = find(column, row);
    // The same caption again (most of a pass writes what the cell already shows) keeps the
    // font fitted to it: measuring text is the dearest part of writing a cell.
    if (!cell || (cell->label->text() == caption && !cell->label->accessibleName().isEmpty()))
        return;
    setFontIfOther(cell->label, fittingFont(*cell->label, caption));
    cell->label->setText(caption);
    // Without a name of its own an empty cell would be read out as the board's title.
    cell->label->setAccessibleName(caption.isEmpty() ? QStringLiteral(" ") : caption);
}

void BoardWidget::setColour(Column column, int row, protocol::WinColour colour) {
    const Cell* found = find(column, row);
    if (!found)
        return;
    Cell& cell = m_cells[columnIndex(column)][row];
    cell.colour = colour;
    paintCell(cell);
}

QString BoardWidget::caption(Column column, int row) const {
    const Cell* cell = find(column, row);
    return cell ? cell->label->text() : QString();
}

protocol::WinColour BoardWidget::colour(Column column, int row) const {
    const Cell* cell = find(column, row);
    return cell ? cell->colour : protocol::kIdleColour;
}

QLabel* BoardWidget::cell(Column column, int row) const {
    const Cell* found = find(column, row);
    return found ? found->label : nullptr;
}

QLabel* BoardWidget::heading(Column column) const {
    const int index = columnIndex(column);
    return index >= 0 && index < int(m_headings.size()) ? m_headings[index] : nullptr;
}

void BoardWidget::paintCell(const Cell& cell) {
    // System colours are looked up in the board's own palette, which follows the application's.
    const QPalette base = palette();
    QPalette cellPalette = cell.label->palette();
    cellPalette.setColor(QPalette::Window, toQColor(cell.colour, base));
    cellPalette.setColor(QPalette::WindowText, toQColor(protocol::kWindowTextColour, base));
    setPaletteIfOther(cell.label, cellPalette);
}

bool BoardWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        const QVariant row = watched->property("boardRow");
        if (row.isValid()) {
            emit rowActivated(row.toInt());
            return true;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

void BoardWidget::changeEvent(QEvent* event) {
    QGroupBox::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        for (const auto& column : m_cells)
            for (const Cell& cell : column)
                if (cell.label)
                    paintCell(cell);
    }
}

} // namespace ui
