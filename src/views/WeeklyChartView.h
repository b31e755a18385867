#pragma once

#include "stats/StatsCache.h"
#include "views/WeeklyChart.h"

#include <QWidget>

// "Last 7 Days": messages per day as bars, on a faint box.
class WeeklyChartView : public QWidget
{
    Q_OBJECT

public:
    explicit WeeklyChartView(QWidget* parent = nullptr);

    void setActivities(const QList<DailyActivity>& activities);

    // One point per record, in order: the weekday of its "yyyy-MM-dd" date
    // in the user's locale (abbreviated), or the date text's last five
    // characters when it is not such a date.
    static QList<ChartPoint> chartData(const QList<DailyActivity>& activities);

private:
    WeeklyChart* m_chart;
};
