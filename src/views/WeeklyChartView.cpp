#include "views/WeeklyChartView.h"

#include "stats/DayKey.h"
#include "views/BoxFrame.h"
#include "views/StyledLabel.h"

#include <QBoxLayout>
#include <QLocale>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using PanelStyle::Level;
using PanelStyle::TextStyle;
using PanelStyle::Weight;

namespace {

// The last `count` characters, never cutting a surrogate pair in half.
QString lastCharacters(const QString& text, qsizetype count)
{
    qsizetype start = std::max<qsizetype>(0, text.size() - count);
    if (start > 0 && text[start].isLowSurrogate())
        --start;
    return text.mid(start);
}

} // namespace

WeeklyChartView::WeeklyChartView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(u"weeklyChart"_s);
    auto* title = new StyledLabel(u"title"_s, TextStyle::Headline, Weight::Regular, Level::Secondary, this);
    title->setText(u"Last 7 Days"_s);

    auto* box = new BoxFrame(this);
    m_chart = new WeeklyChart(box);
    auto* padding = new QVBoxLayout(box);
    padding->setContentsMargins(PanelStyle::boxPadding);
    padding->addWidget(m_chart);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(PanelStyle::titleGap);
    column->addWidget(title);
    column->addWidget(box);
}

void WeeklyChartView::setActivities(const QList<DailyActivity>& activities)
{
    m_chart->setPoints(chartData(activities));
}

QList<ChartPoint> WeeklyChartView::chartData(const QList<DailyActivity>& activities)
{
    // The locale is read at every call so the names follow a change of it.
    const QLocale locale;
    QList<ChartPoint> points;
    points.reserve(activities.size());
    for (const DailyActivity& day : activities) {
        const QDate date = DayKey::parse(day.date);
        const QString label =
            date.isValid() ? locale.dayName(date.dayOfWeek(), QLocale::ShortFormat) : lastCharacters(day.date, 5);
        points.append(ChartPoint{label, day.messageCount});
    }
    return points;
}
