// Runs once per locale and time zone (see CMakeLists.txt); expectations that
// depend on them are looked up from the environment the run was given.
#include "model/DateFormats.h"
#include "model/StatsViewModel.h"

#include "FakeUsageSource.h"
#include "FixedClock.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

QString zone()
{
    return qEnvironmentVariable("TZ");
}

QString language()
{
    return QLocale().name().left(2);
}

QByteArray statsJson(const QByteArray& days, const QByteArray& tokens = "[]", const QByteArray& extra = {})
{
    return R"({"version":5,"lastComputedDate":"2025-01-05","dailyActivity":)" + days + R"(,"dailyModelTokens":)" + tokens
        + R"(,"modelUsage":{},"totalSessions":1,"totalMessages":1)" + extra + "}";
}

QByteArray day(const char* date, int messages)
{
    return QByteArray(R"({"date":")") + date + R"(","messageCount":)" + QByteArray::number(messages)
        + R"(,"sessionCount":1,"toolCallCount":)" + QByteArray::number(messages * 2) + "}";
}

} // namespace

class TestDerivedValues : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_clock = std::make_shared<FixedClock>(QDateTime(QDate(2025, 1, 5), QTime(12, 0), Qt::UTC));
        m_source = std::make_shared<FakeUsageSource>();
        StatsViewModel::Dependencies deps;
        deps.clock = m_clock;
        deps.statsPath = m_dir->filePath(u"stats-cache.json"_s);
        deps.usageSource = m_source;
        m_vm = std::make_unique<StatsViewModel>(deps);
    }

    void cleanup()
    {
        m_vm.reset();
        m_dir.reset();
    }

    void menuBarLabel_data()
    {
        QTest::addColumn<bool>("hasFiveHour");
        QTest::addColumn<double>("utilization"); // NaN: absent
        QTest::addColumn<QString>("resetsAt");   // null: absent
        QTest::addColumn<QString>("label");

        const double none = std::numeric_limits<double>::quiet_NaN();
        const QString in2h5m = u"2025-01-05T14:05:30.5Z"_s; // clock: 12:00:00Z
        QTest::newRow("percent and reset") << true << 42.7 << in2h5m << u"42% \u00B7 2 hr 5 min"_s;
        QTest::newRow("99.9 truncates to 99") << true << 99.9 << in2h5m << u"99% \u00B7 2 hr 5 min"_s;
        QTest::newRow("-0.5 truncates to 0") << true << -0.5 << QString() << u"0%"_s;
        QTest::newRow("-3.7 truncates to -3") << true << -3.7 << QString() << u"-3%"_s;
        QTest::newRow("130 is not clamped") << true << 130.0 << QString() << u"130%"_s;
        QTest::newRow("no utilization: reset alone") << true << none << in2h5m << u"2 hr 5 min"_s;
        QTest::newRow("reset without fraction: percent alone") << true << 7.0 << u"2025-01-05T14:05:30Z"_s << u"7%"_s;
        QTest::newRow("reset passed") << true << 12.0 << u"2025-01-05T11:00:00.0Z"_s << u"12% \u00B7 now"_s;
        QTest::newRow("no five-hour window") << false << 0.0 << QString() << QString();
        QTest::newRow("beyond 64 bits: no percent") << true << 1e19 << in2h5m << u"2 hr 5 min"_s;
    }

    void menuBarLabel()
    {
        QFETCH(bool, hasFiveHour);
        QFETCH(double, utilization);
        QFETCH(QString, resetsAt);
        QFETCH(QString, label);
        UsageResponse reply;
        if (hasFiveHour) {
            UsageWindow window;
            if (!std::isnan(utilization))
                window.utilization = utilization;
            if (!resetsAt.isNull())
                window.resetsAt = resetsAt;
            reply.fiveHour = window;
        }
        publish(reply);
        QCOMPARE(m_vm->menuBarLabel(), label); // the separator: space, U+00B7, space
    }

    void todayFollowsTheLocalDay()
    {
        // 02:30 UTC is still the evening before in New York.
        m_clock->set(QDateTime(QDate(2025, 1, 5), QTime(2, 30), Qt::UTC));
        const QString today = zone() == u"America/New_York"_s ? u"2025-01-04"_s : u"2025-01-05"_s;
        loadStats(statsJson("[" + day("2025-01-04", 4) + "," + day("2025-01-05", 5) + "," + day("2025-01-05", 99) + "]",
                            R"([{"date":"2025-01-05","tokensByModel":{"a":5}},{"date":"2025-01-04","tokensByModel":{"a":4,"b":1}}])"));
        const auto activity = m_vm->todayActivity();
        QVERIFY(activity);
        QCOMPARE(activity->date, today);
        // The first entry for a day wins.
        QCOMPARE(activity->messageCount, today.endsWith(u'4') ? 4 : 5);
        QCOMPARE(m_vm->todayModelTokens()->totalTokens(), 5);
        // Nothing is cached: the clock moving on moves the day.
        m_clock->advance(24 * 3600 * 2);
        QVERIFY(!m_vm->todayActivity());
        QVERIFY(!m_vm->todayModelTokens());
    }

    void sevenDays_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time"); // local wall time, so a row means the same in every zone
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        // Days stepped in 24-hour seconds go wrong near midnight after a change:
        // back from 00:30 in spring they skip a day, back from 23:30 in autumn
        // they repeat one, and forward from the week's first midnight in autumn
        // they stop an hour short of today. The United States moved its clocks
        // on 9 March and 2 November 2025, Europe on 30 March and 26 October 2025.
        QTest::newRow("00:30 after the US spring change")
            << QDate(2025, 3, 10) << QTime(0, 30) << u"2025-03-04"_s << u"2025-03-10"_s;
        QTest::newRow("00:30 after the European spring change")
            << QDate(2025, 3, 31) << QTime(0, 30) << u"2025-03-25"_s << u"2025-03-31"_s;
        QTest::newRow("00:30 after the European autumn change")
            << QDate(2025, 10, 27) << QTime(0, 30) << u"2025-10-21"_s << u"2025-10-27"_s;
        QTest::newRow("00:30 after the US autumn change")
            << QDate(2025, 11, 3) << QTime(0, 30) << u"2025-10-28"_s << u"2025-11-03"_s;
        QTest::newRow("23:30 after the European autumn change")
            << QDate(2025, 10, 27) << QTime(23, 30) << u"2025-10-21"_s << u"2025-10-27"_s;
        QTest::newRow("23:30 after the US autumn change")
            << QDate(2025, 11, 3) << QTime(23, 30) << u"2025-10-28"_s << u"2025-11-03"_s;
        QTest::newRow("across a year end") << QDate(2025, 1, 3) << QTime(12, 0) << u"2024-12-28"_s << u"2025-01-03"_s;
    }

    // Today and the seven days up to it, all by the local calendar.
    void sevenDays()
    {
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        QFETCH(QString, first);
        QFETCH(QString, last);
        m_clock->set(QDateTime(date, time, Qt::LocalTime));
        loadStats(statsJson("[" + day("2024-01-01", 1) + "," + day(qPrintable(last), 7) + "," + day(qPrintable(last), 8)
                                + "," + day(qPrintable(first), 3) + "]",
                            R"([{"date":")" + last.toLatin1() + R"(","tokensByModel":{"a":6}}])"));
        const QList<DailyActivity> days = m_vm->last7DaysActivity();
        QCOMPARE(days.size(), 7);
        QCOMPARE(days.first().date, first);
        QCOMPARE(days.last().date, last);
        for (int i = 1; i < days.size(); ++i) {
            const QDate previous = QDate::fromString(days[i - 1].date, u"yyyy-MM-dd");
            QCOMPARE(QDate::fromString(days[i].date, u"yyyy-MM-dd"), previous.addDays(1));
        }
        QCOMPARE(days.first().messageCount, 3);
        QCOMPARE(days.last().messageCount, 7); // first matching entry
        for (int i = 1; i < 6; ++i)
            QCOMPARE(days[i], (DailyActivity{days[i].date, 0, 0, 0}));
        QCOMPARE(m_vm->todayActivity(), std::optional<DailyActivity>(days.last()));
        QVERIFY(m_vm->todayModelTokens());
        QCOMPARE(m_vm->todayModelTokens()->totalTokens(), 6);
    }

    void sevenDaysWithoutStatistics() { QVERIFY(m_vm->last7DaysActivity().isEmpty()); }

    void firstSession_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("expected"); // null: absent
        // 02:30 UTC on 5 January is 4 January in New York.
        const bool newYork = zone() == u"America/New_York"_s;
        QString date;
        if (language() == u"de"_s)
            date = newYork ? u"04.01.2025"_s : u"05.01.2025"_s;
        else if (language() == u"th"_s)
            date = QString::fromUtf8("5 ม.ค. 2568");
        else
            date = newYork ? u"Jan 4, 2025"_s : u"Jan 5, 2025"_s;
        QTest::newRow("with fraction") << QByteArray(R"(,"firstSessionDate":"2025-01-05T02:30:00.696Z")") << date;
        QTest::newRow("without fraction") << QByteArray(R"(,"firstSessionDate":"2025-01-05T02:30:00Z")") << QString();
        QTest::newRow("null") << QByteArray(R"(,"firstSessionDate":null)") << QString();
    }

    void firstSession()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, expected);
        loadStats(statsJson("[]", "[]", field));
        QVERIFY(m_vm->stats());
        if (expected.isNull())
            QVERIFY(!m_vm->firstSessionFormatted());
        else
            QCOMPARE(m_vm->firstSessionFormatted(), std::optional<QString>(expected));
    }

    void headerTimeHasNoSeconds()
    {
        // 15:42:07 UTC: the zone moves the hour, the locale the style.
        const QString time = DateFormats::shortTime(QDateTime(QDate(2025, 1, 5), QTime(15, 42, 7), Qt::UTC));
        QVERIFY2(!time.contains(u"07"_s), qPrintable(time));
        QVERIFY2(time.contains(u"42"_s), qPrintable(time));
        if (language() == u"en"_s && zone() == u"America/New_York"_s)
            QCOMPARE(QString(time).replace(QChar(0x202F), u' '), u"10:42 AM"_s);
        if (language() == u"de"_s)
            QCOMPARE(time, u"16:42"_s);
    }

private:
    void publish(const UsageResponse& reply)
    {
        m_vm->refreshUsage();
        m_source->complete(0, reply);
    }

    void loadStats(const QByteArray& json)
    {
        QFile file(m_dir->filePath(u"stats-cache.json"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(json);
        file.close();
        m_vm->refresh();
        QVERIFY(m_vm->stats());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<FixedClock> m_clock;
    std::shared_ptr<FakeUsageSource> m_source;
    std::unique_ptr<StatsViewModel> m_vm;
};

QTEST_GUILESS_MAIN(TestDerivedValues)
#include "tst_derivedvalues.moc"
