#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

// One bar: the day's name under it and its message count.
struct ChartPoint
{
    QString label;
    qint64 messages = 0;
    bool operator==(const ChartPoint&) const = default;
};

// A bar chart drawn with QPainter: one bar per point in list order on a zero
// baseline, rounded purple bars, horizontal grid lines at round values with
// their labels on the right, the axis titled "Messages", the day names below.
class WeeklyChart : public QWidget
{
    Q_OBJECT

public:
    explicit WeeklyChart(QWidget* parent = nullptr);

    void setPoints(const QList<ChartPoint>& points);

    static QString axisTitle();

    // Round values (1, 2 or 5 times a power of ten apart, about three steps)
    // from at or below min(0, low) to at or above max(0, high).
    static QList<double> ticks(qint64 low, qint64 high);
    // The grid labels for the current points, bottom to top.
    QStringList tickLabels() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<ChartPoint> m_points;
};
