#include "trend_plot.h"

#include "field/answer_frame.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

// `value` rounded to `digits` significant digits.
double significant(double value, int digits) {
    if (value == 0 || !std::isfinite(value))
        return value;
    const double scale = std::pow(10.0, digits - 1 - std::floor(std::log10(std::abs(value))));
    return std::round(value * scale) / scale;
}

} // namespace

TrendPlot::TrendPlot(QWidget* parent) : QWidget(parent) {
    setMinimumSize(300, 140);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

QVector<QPointF> thinnedForColumns(const QVector<QPointF>& points, double from, double to,
                                   int columns) {
    QVector<QPointF> kept;
    if (columns < 1 || !(to > from))
        return kept;
    const double perColumn = (to - from) / columns;
    int at = 0;
    const int count = int(points.size());
    while (at < count && points[at].x() < from)
        ++at;
    while (at < count && points[at].x() <= to) {
        // One column: the points up to its right edge.
        const int column = qMin(columns - 1, int((points[at].x() - from) / perColumn));
        const double edge = from + (column + 1) * perColumn;
        const int first = at;
        int low = at, high = at, last = at;
        for (++at;
             at < count && points[at].x() <= to && (column == columns - 1 || points[at].x() < edge);
             ++at) {
            if (points[at].y() < points[low].y())
                low = at;
            if (points[at].y() > points[high].y())
                high = at;
            last = at;
        }
        int chosen[] = {first, low, high, last};
        std::sort(std::begin(chosen), std::end(chosen));
        for (int k = 0; k < 4; ++k)
            if (k == 0 || chosen[k] != chosen[k - 1])
                kept << points[chosen[k]];
    }
    return kept;
}

void TrendPlot::setSeries(const QVector<QPointF>& points, int windowSeconds) {
    m_windowSeconds = qMax(1, windowSeconds);
    m_points = thinnedForColumns(points, -m_windowSeconds, 0.0, qMax(width(), sizeHint().width()));
    update();
}

void TrendPlot::setTitle(const QString& title, const QString& unit) {
    if (title == m_title && unit == m_unit)
        return;
    m_title = title;
    m_unit = unit;
    setAccessibleName(unit.isEmpty() ? title : title + QStringLiteral(", ") + unit);
    update();
}

void TrendPlot::setTimeWords(const QString& minutes, const QString& now) {
    if (minutes == m_minutes && now == m_now)
        return;
    m_minutes = minutes;
    m_now = now;
    update();
}

void TrendPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics fm = p.fontMetrics();
    const QColor text = palette().color(QPalette::Text);
    const QColor grid = palette().color(QPalette::Mid);

    // Values on show decide the value axis; a flat line gets a little room around it.
    QVector<QPointF> shown;
    for (const QPointF& point : m_points) {
        if (point.x() >= -m_windowSeconds && std::isfinite(point.y()))
            shown << point;
    }
    double low = 0, high = 1;
    if (!shown.isEmpty()) {
        const auto [lo, hi] = std::minmax_element(shown.begin(), shown.end(),
                                                  [](auto a, auto b) { return a.y() < b.y(); });
        low = lo->y();
        high = hi->y();
        const double pad = high > low ? (high - low) * 0.1 : qMax(std::abs(high) * 0.01, 0.01);
        low -= pad;
        high += pad;
    }
    // Plain numbers on the axis too, as in the rest of the view ("101000", not "1.01e+05"),
    // to five significant digits: the axis only frames the line.
    const QString lowText = field::plainText(float(significant(low, 5))),
                  highText = field::plainText(float(significant(high, 5)));
    const int left = qMax(fm.horizontalAdvance(lowText), fm.horizontalAdvance(highText)) + 8;
    const QRect area(left, fm.height() + 6, width() - left - 10, height() - 2 * fm.height() - 14);
    if (area.width() < 10 || area.height() < 10)
        return;

    p.setPen(text);
    p.drawText(QRect(left, 2, width() - left, fm.height()), Qt::AlignLeft,
               m_unit.isEmpty() ? m_title : m_title + QStringLiteral(", ") + m_unit);
    p.drawText(QRect(0, area.top() - fm.height() / 2, left - 4, fm.height()), Qt::AlignRight,
               highText);
    p.drawText(QRect(0, area.bottom() - fm.height() / 2, left - 4, fm.height()), Qt::AlignRight,
               lowText);

    // Time ticks: four divisions of the window, labelled in minutes before now.
    p.setPen(QPen(grid, 1, Qt::DotLine));
    for (int division = 0; division <= 4; ++division) {
        const int x = area.left() + area.width() * division / 4;
        p.drawLine(x, area.top(), x, area.bottom());
        const double minutesBefore = m_windowSeconds / 60.0 * (4 - division) / 4;
        const QString label = division == 4 ? m_now
                                            : QStringLiteral("-%1 %2")
                                                  .arg(QString::number(minutesBefore, 'g', 3))
                                                  .arg(m_minutes);
        p.save();
        p.setPen(text);
        const int labelWidth = fm.horizontalAdvance(label);
        const int lx = qBound(0, x - labelWidth / 2, area.right() - labelWidth);
        p.drawText(lx, area.bottom() + fm.ascent() + 4, label);
        p.restore();
    }
    p.setPen(QPen(grid, 1));
    p.drawRect(area);

    if (shown.isEmpty())
        return;
    const auto mapped = [&](const QPointF& point) {
        const double x =
            area.left() + area.width() * (point.x() + m_windowSeconds) / m_windowSeconds;
        const double y = area.bottom() - area.height() * (point.y() - low) / (high - low);
        return QPointF(x, y);
    };
    QVector<QPointF> line;
    line.reserve(shown.size());
    for (const QPointF& point : shown)
        line << mapped(point);
    p.setPen(QPen(palette().color(QPalette::Highlight), 2));
    p.drawPolyline(line);
    // Each sample marked where the samples stand apart; where they crowd, the line says it all
    // and a mark each would only cost drawing time.
    constexpr int kPixelsPerMark = 6;
    if (line.size() * kPixelsPerMark <= area.width()) {
        for (const QPointF& point : line)
            p.drawEllipse(point, 1.5, 1.5);
    }
}

} // namespace ui
