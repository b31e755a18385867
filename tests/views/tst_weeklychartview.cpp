#include "model/TokenFormatter.h"
#include "views/WeeklyChartView.h"

#include <QLocale>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestWeeklyChartView : public QObject
{
    Q_OBJECT

private slots:
    void bars_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<QStringList>("labels");
        QStringList week; // Thursday 2 to Wednesday 8 January 2025
        for (int day = 2; day <= 8; ++day)
            week.append(QDate(2025, 1, day).toString(u"yyyy-MM-dd"));
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("week ending on a Wednesday")
            << english << week << QStringList{u"Thu"_s, u"Fri"_s, u"Sat"_s, u"Sun"_s, u"Mon"_s, u"Tue"_s, u"Wed"_s};
        QTest::newRow("German names, same parsing")
            << QLocale(QLocale::German, QLocale::Germany) << week
            << QStringList{u"Do."_s, u"Fr."_s, u"Sa."_s, u"So."_s, u"Mo."_s, u"Di."_s, u"Mi."_s};
        QTest::newRow("not dates: the last five characters")
            << english << QStringList{u"not-a-date"_s, u"abc"_s, u"2025-02-30"_s}
            << QStringList{u"-date"_s, u"abc"_s, u"02-30"_s};
    }

    // One bar per record, in list order, whatever the counts.
    void bars()
    {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, dates);
        QFETCH(QStringList, labels);
        QLocale::setDefault(locale);
        constexpr qint64 counts[] = {5, 0, 9, -4, 7, 1, 3};
        QList<DailyActivity> days;
        QList<ChartPoint> expected;
        for (qsizetype i = 0; i < dates.size(); ++i) {
            days.append({dates[i], counts[i], 0, 0});
            expected.append({labels[i], counts[i]});
        }
        QCOMPARE(WeeklyChartView::chartData(days), expected);
    }

    // The axis scales its values as the tiles do, with a full stop in every
    // locale (this program also runs in German), dropping a decimal that
    // says nothing.
    void axisMatchesTheTiles()
    {
        WeeklyChartView view;
        view.setActivities({{u"2025-01-08"_s, 1500, 0, 0}});
        QCOMPARE(view.findChild<WeeklyChart*>()->tickLabels(), (QStringList{u"0"_s, u"500"_s, u"1K"_s, TokenFormatter::format(1500)}));
        QCOMPARE(TokenFormatter::format(1500), u"1.5K"_s);
    }
};

QTEST_MAIN(TestWeeklyChartView)
#include "tst_weeklychartview.moc"
