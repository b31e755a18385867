#include "views/WeeklyChartView.h"

#include "ViewTexts.h"

#include <QLocale>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(QList<DailyActivity>)

namespace {

// Seven days ending on Wednesday 2025-01-08.
QList<DailyActivity> weekEndingWednesday()
{
    QList<DailyActivity> days;
    for (int offset = -6; offset <= 0; ++offset)
        days.append({QDate(2025, 1, 8).addDays(offset).toString(u"yyyy-MM-dd"), 10LL * (offset + 7), 1, 1});
    return days;
}

QStringList labels(const QList<ChartPoint>& points)
{
    QStringList out;
    for (const ChartPoint& point : points)
        out.append(point.label);
    return out;
}

} // namespace

class TestWeeklyChartView : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void labels_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QList<DailyActivity>>("days");
        QTest::addColumn<QStringList>("expected");

        const QLocale english(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("week ending Wednesday")
            << english << weekEndingWednesday()
            << QStringList{u"Thu"_s, u"Fri"_s, u"Sat"_s, u"Sun"_s, u"Mon"_s, u"Tue"_s, u"Wed"_s};
        QTest::newRow("German names, same parsing")
            << QLocale(QLocale::German, QLocale::Germany) << weekEndingWednesday()
            << QStringList{u"Do."_s, u"Fr."_s, u"Sa."_s, u"So."_s, u"Mo."_s, u"Di."_s, u"Mi."_s};
        QTest::newRow("Arabic digits elsewhere do not matter")
            << QLocale(QLocale::Arabic, QLocale::Egypt) << QList<DailyActivity>{{u"2025-01-08"_s, 1, 1, 1}}
            << QStringList{QLocale(QLocale::Arabic, QLocale::Egypt).dayName(3, QLocale::ShortFormat)};
        QTest::newRow("fallbacks")
            << english
            << QList<DailyActivity>{{u"not-a-date"_s, 1, 0, 0},
                                    {u"abc"_s, 2, 0, 0},
                                    {QString(), 3, 0, 0},
                                    {u"2025-02-30"_s, 4, 0, 0},
                                    {u"2025-01-08T00:00"_s, 5, 0, 0},
                                    {u"x\U0001F600ab"_s, 6, 0, 0}}
            << QStringList{u"-date"_s, u"abc"_s, QString(), u"02-30"_s, u"00:00"_s, u"x\U0001F600ab"_s};
        QTest::newRow("empty") << english << QList<DailyActivity>{} << QStringList{};
    }

    void labels()
    {
        QFETCH(QLocale, locale);
        QFETCH(QList<DailyActivity>, days);
        QFETCH(QStringList, expected);
        QLocale::setDefault(locale);
        QCOMPARE(::labels(WeeklyChartView::chartData(days)), expected);
    }

    void barsKeepOrderAndCounts()
    {
        QList<DailyActivity> days = weekEndingWednesday();
        days[2].messageCount = 0;
        days[3].messageCount = -40;
        WeeklyChartView view;
        view.setActivities(days);
        const QList<ChartPoint> points = view.chart()->points();
        QCOMPARE(points.size(), 7);
        for (qsizetype i = 0; i < 7; ++i)
            QCOMPARE(points[i].messages, days[i].messageCount);
        QCOMPARE(ViewTexts::visible(&view), QStringList{u"Last 7 Days"_s});
        QCOMPARE(WeeklyChart::axisTitle(), u"Messages"_s);
        QCOMPARE(view.chart()->height(), WeeklyChart::chartHeight);
    }

    void ticks_data()
    {
        QTest::addColumn<qint64>("low");
        QTest::addColumn<qint64>("high");
        QTest::addColumn<QStringList>("labels");

        QTest::newRow("all zero") << 0LL << 0LL << QStringList{u"0"_s, u"1"_s};
        QTest::newRow("small") << 0LL << 7LL << QStringList{u"0"_s, u"5"_s, u"10"_s};
        QTest::newRow("thousands") << 0LL << 17950LL << QStringList{u"0"_s, u"10K"_s, u"20K"_s};
        QTest::newRow("halves") << 0LL << 4856LL << QStringList{u"0"_s, u"2K"_s, u"4K"_s, u"6K"_s};
        QTest::newRow("negative") << -40LL << 60LL << QStringList{u"-50"_s, u"0"_s, u"50"_s, u"100"_s};
        QTest::newRow("64-bit extremes")
            << std::numeric_limits<qint64>::min() << std::numeric_limits<qint64>::max()
            << QStringList{u"-10,000,000,000B"_s, u"0"_s, u"10,000,000,000B"_s};
    }

    void ticks()
    {
        QFETCH(qint64, low);
        QFETCH(qint64, high);
        QFETCH(QStringList, labels);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QStringList shown;
        const QList<double> values = WeeklyChart::ticks(low, high);
        for (double value : values)
            shown.append(WeeklyChart::tickLabel(value));
        QCOMPARE(shown, labels);
        // The baseline and every bar lie inside the grid.
        QVERIFY(values.first() <= std::min<double>(0, low));
        QVERIFY(values.last() >= std::max<double>(0, high));
    }

    // Drawing must survive any figures, including ones no real file has.
    void paintsHostileFigures()
    {
        WeeklyChartView view;
        view.resize(308, view.sizeHint().height());
        view.setActivities({{u"2025-01-07"_s, std::numeric_limits<qint64>::min(), 0, 0},
                            {u"2025-01-08"_s, std::numeric_limits<qint64>::max(), 0, 0}});
        QVERIFY(!view.grab().isNull());
        view.setActivities({});
        QVERIFY(!view.grab().isNull());
    }
};

QTEST_MAIN(TestWeeklyChartView)
#include "tst_weeklychartview.moc"
