#pragma once

#include <QPointF>
#include <QString>
#include <QVector>
#include <QWidget>

namespace ui {

// A painted trend of one value: time along the bottom (seconds before now), the value up the
// side with its unit. Painted rather than drawn with a charting module: two lines and their axes
// need no extra dependency on the machines the program is installed on.
// `points` (x ascending) between `from` and `to` reduced for a plot `columns` wide: in each
// column its first, lowest, highest and last point, in time order, so the line keeps every
// peak, dip and end however many points there were. Points outside the span are left out.
QVector<QPointF> thinnedForColumns(const QVector<QPointF>& points, double from, double to,
                                   int columns);

class TrendPlot : public QWidget {
    Q_OBJECT
public:
    explicit TrendPlot(QWidget* parent = nullptr);

    // `points`: x in seconds before now (0 now, negative before), ascending, y the value;
    // `windowSeconds` the time the plot spans. Kept thinned to the plot's width.
    void setSeries(const QVector<QPointF>& points, int windowSeconds);
    void setTitle(const QString& title, const QString& unit);
    // The words on the time axis: "min" and "now" in the language in force.
    void setTimeWords(const QString& minutes, const QString& now);

    QSize sizeHint() const override { return {420, 170}; }
    const QVector<QPointF>& points() const { return m_points; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVector<QPointF> m_points;
    int m_windowSeconds = 600;
    QString m_title, m_unit, m_minutes = QStringLiteral("min"), m_now = QStringLiteral("now");
};

} // namespace ui
