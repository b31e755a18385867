// The view model: how it keeps the statistics and plan usage current, and
// everything it works out from them. Runs once per locale and time zone (see
// CMakeLists.txt); what depends on them is looked up from the environment.
#include "model/DateFormats.h"
#include "model/LimitAlerts.h"
#include "model/ModelNameMapper.h"
#include "model/StatsViewModel.h"
#include "model/TokenFormatter.h"
#include "stats/StatsFileWatcher.h"

#include "FakeUsageSource.h"
#include "FixedClock.h"
#include "StatsFiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Outcome = UsageFetch::Outcome;

Q_DECLARE_METATYPE(NamedColor)

namespace {

const bool newYork = qEnvironmentVariable("TZ") == u"America/New_York"_s;
const QString language = QLocale().name().left(2);

UsageResponse fiveHour(double utilization, std::optional<QString> resetsAt = std::nullopt)
{
    UsageResponse reply;
    reply.fiveHour = UsageWindow{utilization, std::move(resetsAt)};
    return reply;
}

UsageFetch refusal(Outcome outcome, int status = 0, std::optional<int> retryAfter = std::nullopt)
{
    UsageFetch fetch = UsageFetch::failed(outcome, status);
    fetch.retryAfter = retryAfter ? std::optional(std::chrono::seconds(*retryAfter)) : std::nullopt;
    return fetch;
}

UsageFetch limited(std::optional<int> retryAfter = std::nullopt)
{
    return refusal(Outcome::RateLimited, 429, retryAfter);
}

// 5 January 2025 at hh:mm UTC as the tooltip writes it here.
QString at(int hour, int minute)
{
    return DateFormats::shortTime(QDateTime(QDate(2025, 1, 5), QTime(hour, minute), Qt::UTC));
}

QByteArray day(const QString& date, int messages)
{
    return R"({"date":")" + date.toLatin1() + R"(","messageCount":)" + QByteArray::number(messages)
        + R"(,"sessionCount":1,"toolCallCount":1})";
}

QByteArray statsJson(const QByteArray& days = {}, const QByteArray& tokens = "[]", const QByteArray& extra = {})
{
    return R"({"version":5,"lastComputedDate":"2025-01-05","dailyActivity":[)" + days + R"(],"dailyModelTokens":)"
        + tokens + R"(,"modelUsage":{},"totalSessions":3,"totalMessages":4)" + extra + "}";
}

// Returns after at least `count` ticks of a timer started now, with how many
// it made. A timer of the view model with the same interval, started before,
// has by then ticked one fewer times at least, and what it queued has run.
int witnessTicks(std::chrono::milliseconds interval, int count)
{
    QTimer witness;
    witness.setTimerType(Qt::PreciseTimer);
    QSignalSpy ticks(&witness, &QTimer::timeout);
    witness.start(interval);
    if (!QTest::qWaitFor([&] { return ticks.count() >= count; }, 20000))
        QTest::qFail("the witness timer stalled", __FILE__, __LINE__);
    return int(ticks.count());
}

using Steps = QList<std::tuple<double, int, bool>>; // limit alerts: five-hour figure, its reset, kept

} // namespace

class TestStatsViewModel : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(u"stats-cache.json"_s);
        m_clock->set(QDateTime(QDate(2025, 1, 5), QTime(12, 0), Qt::UTC));
        m_source = std::make_shared<FakeUsageSource>();
        m_vm = makeViewModel();
    }

    // Nothing is read or fetched before start(); then the file is loaded at
    // once, announced once, and two fetches go out.
    void startSequence()
    {
        QVERIFY(StatsFiles::write(m_path, statsJson()));
        auto vm = makeViewModel(50ms, 50ms);
        QSignalSpy changed(vm.get(), &StatsViewModel::changed);
        witnessTicks(50ms, 2); // its timers, had they started, have ticked by now
        QVERIFY(!vm->stats() && !vm->usage() && !vm->lastRefresh());
        QCOMPARE(m_source->started(), 0);
        QCOMPARE(changed.count(), 0);
        vm->start();
        QCOMPARE(vm->stats()->totalSessions, 3);
        QCOMPARE(vm->lastRefresh(), std::optional(m_clock->now()));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(m_source->pending(), 2);
    }

    // No file at the start, so no watcher is armed: polling finds it, and never fetches.
    void pollingReloadsButNeverFetches()
    {
        auto vm = makeViewModel(100ms);
        vm->start();
        QVERIFY(!vm->stats() && vm->lastRefresh());
        m_clock->advance(30);
        QVERIFY(StatsFiles::write(m_path, statsJson()));
        QTRY_VERIFY_WITH_TIMEOUT(vm->stats().has_value(), 3000);
        QCOMPARE(vm->lastRefresh(), std::optional(m_clock->now()));
        QCOMPARE(m_source->started(), 2);
    }

    // Started three times, it keeps one timer of each kind: the usage timer
    // fetches, and the polling timer announces a load, about once per witness
    // tick; three would do either three times as often.
    void repeatedStartKeepsOneTimerOfEach()
    {
        QVERIFY(StatsFiles::write(m_path, statsJson()));
        auto vm = makeViewModel(100ms, 100ms);
        for (int i = 0; i < 3; ++i)
            vm->start();
        QCOMPARE(m_source->started(), 6);
        QSignalSpy changed(vm.get(), &StatsViewModel::changed);
        const int ticks = witnessTicks(100ms, 6);
        for (const qsizetype n : {m_source->started() - 6, qsizetype(changed.count())})
            QVERIFY2(n >= ticks - 1 && n <= ticks + 1, qPrintable(u"%1 for %2 ticks"_s.arg(n).arg(ticks)));
    }

    // A watcher notice reloads (a broken file clears the statistics) and
    // fetches once; after three starts there is still one watcher.
    void watcherNoticeRefreshes()
    {
        QVERIFY(StatsFiles::write(m_path, statsJson()));
        for (int i = 0; i < 3; ++i)
            m_vm->start();
        m_clock->advance(60);
        QVERIFY(StatsFiles::replace(m_path, "{}"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_vm->stats().has_value(), 3000);
        QCOMPARE(m_vm->lastRefresh(), std::optional(m_clock->now()));
        // A refresh that must not come has no event to wait for: wait out the
        // watcher's re-arm and quiet period several times over.
        QTest::qWait(3 * (StatsFileWatcher::rearmDelayMs + StatsFileWatcher::debounceMs));
        QCOMPARE(m_source->started(), 7);
    }

    // The last fetch to complete decides, even an absent one; each is announced.
    void lastFetchToCompleteWins()
    {
        m_vm->start();
        m_vm->refreshUsage();
        QSignalSpy changed(m_vm.get(), &StatsViewModel::changed);
        m_source->complete(2, fiveHour(10)); // started last, done first
        m_source->complete(0, fiveHour(20));
        QCOMPARE(m_vm->usage(), std::optional(fiveHour(20)));
        QCOMPARE(changed.count(), 2);
        m_clock->advance(5);
        m_source->complete(0, std::nullopt);
        QVERIFY(!m_vm->usage());
        QCOMPARE(m_vm->lastRefresh(), std::optional(m_clock->now()));
    }

    // Every 429 holds all requests back (ticks and Refresh alike): for its
    // Retry-After, capped at an hour, else for a backoff doubling from 10 s
    // to 5 min that a 200 restarts. A 503 waits only when it names a wait.
    void waitsAfterRefusals_data()
    {
        QTest::addColumn<QList<UsageFetch>>("answers"); // each completes the one fetch then in flight
        QTest::addColumn<QList<int>>("waits");          // seconds each holds the next request back
        const UsageFetch ok = UsageFetch::ok(fiveHour(1));
        QTest::newRow("429s without Retry-After") << QList<UsageFetch>(7, limited()) << QList{10, 20, 40, 80, 160, 300, 300};
        QTest::newRow("a 200 restarts the doubling") << QList{limited(), limited(), ok, limited()} << QList{10, 20, 0, 10};
        QTest::newRow("Retry-After as announced") << QList{limited(990), limited(2988)} << QList{990, 2988};
        // Also what a date already past gives: asking at once is what keeps a client locked out.
        QTest::newRow("Retry-After 0 is no usable value") << QList{limited(0), limited(0)} << QList{10, 20};
        QTest::newRow("capped at an hour") << QList{limited(7200)} << QList{3600};
        QTest::newRow("an announced wait still doubles the backoff") << QList{limited(30), limited()} << QList{30, 20};
        QTest::newRow("503 naming a wait") << QList{refusal(Outcome::Refused, 503, 30)} << QList{30};
        QTest::newRow("503 naming none") << QList{refusal(Outcome::Refused, 503)} << QList{0};
        QTest::newRow("500 naming a wait") << QList{refusal(Outcome::Refused, 500, 30)} << QList{0};
    }

    void waitsAfterRefusals()
    {
        QFETCH(QList<UsageFetch>, answers);
        QFETCH(QList<int>, waits);
        for (qsizetype i = 0; i < answers.size(); ++i) {
            m_vm->refreshUsage();
            QCOMPARE(m_source->pending(), 1);
            m_source->complete(0, answers[i]);
            if (waits[i] > 0) {
                m_clock->advance(waits[i] - 1);
                m_vm->refreshUsage();
                m_vm->refresh();
                QCOMPARE(m_source->pending(), 0);
                QCOMPARE(m_vm->usageStatus().waitUntil, std::optional(m_clock->now().addSecs(1)));
                m_clock->advance(1);
            }
            QVERIFY(!m_vm->usageStatus().waitUntil);
        }
    }

    // Answers to requests sent before a 429 never shorten the wait it
    // announced: a 200 brings fresh figures, a shorter Retry-After nothing.
    void laterAnswersNeverShortenAWait()
    {
        for (int i = 0; i < 3; ++i)
            m_vm->refreshUsage();
        m_source->complete(2, limited(60));
        m_source->complete(1, fiveHour(7));
        QCOMPARE(m_vm->menuBarLabel(), u"7%"_s);
        QCOMPARE(m_vm->usageToolTip(), u"The service asked to wait until %1."_s.arg(at(12, 1)));
        m_source->complete(0, limited(10));
        m_clock->advance(59);
        m_vm->refreshUsage();
        QCOMPARE(m_source->started(), 3);
        m_clock->advance(1);
        m_vm->refreshUsage();
        QCOMPARE(m_source->started(), 4);
    }

    // Only a 429 keeps the figures, and the tooltip dates them; every other
    // failure clears them, and the tooltip says why.
    void keptFiguresAndToolTip_data()
    {
        QTest::addColumn<QList<UsageFetch>>("answers"); // completed in turn, a minute apart, from 12:00
        QTest::addColumn<int>("later");                 // seconds after the last, when the tooltip is read
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("toolTip");
        const UsageFetch ok = UsageFetch::ok(fiveHour(42));
        const QString kept = u"Plan usage as of %1: the service is limiting requests."_s.arg(at(12, 0));
        const QString wait = u"\nThe service asked to wait until %1."_s;
        QTest::newRow("nothing yet") << QList<UsageFetch>{} << 0 << QString() << QString();
        QTest::newRow("fresh figures") << QList{limited(), ok} << 0 << u"42%"_s << QString();
        QTest::newRow("kept across 429s") << QList{ok, limited(), limited(990)} << 0 << u"42%"_s << kept + wait.arg(at(12, 18));
        QTest::newRow("kept, wait over") << QList{ok, limited(30)} << 30 << u"42%"_s << kept;
        QTest::newRow("fresh again") << QList{ok, limited(), ok} << 0 << u"42%"_s << QString();
        QTest::newRow("rate limited, nothing to keep")
            << QList{limited()} << 0 << QString() << u"The service is limiting requests."_s + wait.arg(at(12, 0));
        QTest::newRow("no sign-in") << QList{ok, refusal(Outcome::NoCredential)} << 0 << QString()
                                    << u"No Claude Code sign-in found."_s;
        QTest::newRow("sign-in expired") << QList{ok, refusal(Outcome::SignInExpired)} << 0 << QString()
                                         << u"Claude Code's sign-in has expired; running `claude` renews it."_s;
        QTest::newRow("500") << QList{ok, refusal(Outcome::Refused, 500)} << 0 << QString()
                             << u"The service refused the request (HTTP 500)."_s;
        QTest::newRow("503 naming a wait") << QList{ok, refusal(Outcome::Refused, 503, 120)} << 0 << QString()
                                           << u"The service refused the request (HTTP 503)."_s + wait.arg(at(12, 3));
        QTest::newRow("no connection") << QList{ok, refusal(Outcome::NoConnection)} << 0 << QString()
                                       << u"No connection to the service."_s;
        QTest::newRow("bad reply") << QList{ok, refusal(Outcome::BadReply, 200)} << 0 << QString()
                                   << u"The service's reply could not be read."_s;
    }

    void keptFiguresAndToolTip()
    {
        QFETCH(QList<UsageFetch>, answers);
        QFETCH(int, later);
        QFETCH(QString, label);
        QFETCH(QString, toolTip);
        m_clock->advance(-60);
        for (const UsageFetch& answer : answers) {
            m_clock->advance(60);
            m_vm->refreshUsage();
            QCOMPARE(m_source->pending(), 1);
            m_source->complete(0, answer);
        }
        m_clock->advance(later);
        QCOMPARE(m_vm->menuBarLabel(), label);
        QCOMPARE(m_vm->usageToolTip(), toolTip);
    }

    // Kept figures age like any others: a five-hour reset that has passed reads "now".
    void keptFiguresStillReset()
    {
        m_vm->refreshUsage();
        m_source->complete(0, fiveHour(42, m_clock->now().addSecs(600).toString(Qt::ISODateWithMs)));
        QCOMPARE(m_vm->menuBarLabel(), u"42% \u00B7 10 min"_s);
        m_vm->refreshUsage();
        m_source->complete(0, limited(3600));
        m_clock->advance(601);
        QCOMPARE(m_vm->menuBarLabel(), u"42% \u00B7 now"_s);
    }

    // A fetch that completes after the view model is gone must leave it alone.
    // The view model lives in storage the test keeps, so a late write to it
    // shows in the bytes instead of vanishing into freed memory.
    void fetchOutlivingTheViewModelIsHarmless()
    {
        alignas(StatsViewModel) std::byte storage[sizeof(StatsViewModel)];
        auto* vm = new (storage) StatsViewModel({.clock = m_clock, .statsPath = m_path, .usageSource = m_source});
        vm->start();
        vm->~StatsViewModel();
        QCOMPARE(m_source->pending(), 2);
        const QByteArray remains(reinterpret_cast<const char*>(storage), sizeof storage);
        while (m_source->pending())
            m_source->complete(0, fiveHour(1));
        QVERIFY2(QByteArray(reinterpret_cast<const char*>(storage), sizeof storage) == remains,
                 "a late completion wrote to the destroyed view model");
    }

    void menuBarLabel_data()
    {
        QTest::addColumn<std::optional<UsageWindow>>("window");
        QTest::addColumn<QString>("label");
        const auto window = [](std::optional<double> percent, const QString& resetsAt = {}) {
            return std::optional(UsageWindow{percent, resetsAt.isNull() ? std::nullopt : std::optional(resetsAt)});
        };
        const QString in2h5m = u"2025-01-05T14:05:30.5Z"_s;
        QTest::newRow("percent and reset") << window(42.7, in2h5m) << u"42% \u00B7 2 hr 5 min"_s;
        QTest::newRow("99.9 truncates to 99") << window(99.9) << u"99%"_s;
        QTest::newRow("-3.7 truncates to -3") << window(-3.7) << u"-3%"_s;
        QTest::newRow("130 is not clamped") << window(130.0) << u"130%"_s;
        QTest::newRow("beyond 64 bits: no percent") << window(1e19, in2h5m) << u"2 hr 5 min"_s;
        QTest::newRow("no utilization: reset alone") << window({}, in2h5m) << u"2 hr 5 min"_s;
        QTest::newRow("reset without fraction: percent alone") << window(7.0, u"2025-01-05T14:05:30Z"_s) << u"7%"_s;
        QTest::newRow("reset passed") << window(12.0, u"2025-01-05T11:00:00.0Z"_s) << u"12% \u00B7 now"_s;
        QTest::newRow("no five-hour window") << std::optional<UsageWindow>() << QString();
    }

    void menuBarLabel()
    {
        QFETCH(std::optional<UsageWindow>, window);
        QFETCH(QString, label);
        UsageResponse reply;
        reply.fiveHour = window;
        m_vm->refreshUsage();
        m_source->complete(0, reply);
        QCOMPARE(m_vm->menuBarLabel(), label);
    }

    void sevenDays_data()
    {
        QTest::addColumn<QDateTime>("now"); // local wall time, so a row means the same in every zone
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        // Days stepped in 24-hour seconds go wrong near midnight after a change:
        // back from 00:30 in spring they skip a day, back from 23:30 in autumn
        // they repeat one, and forward from the week's first midnight in autumn
        // they stop an hour short of today. The United States moved its clocks
        // on 9 March and 2 November 2025, Europe on 30 March and 26 October 2025.
        const auto local = [](int month, int day, int hour) {
            return QDateTime(QDate(2025, month, day), QTime(hour, 30), Qt::LocalTime);
        };
        QTest::newRow("00:30 after the US spring change") << local(3, 10, 0) << u"2025-03-04"_s << u"2025-03-10"_s;
        QTest::newRow("00:30 after the European spring change") << local(3, 31, 0) << u"2025-03-25"_s << u"2025-03-31"_s;
        QTest::newRow("00:30 after the European autumn change") << local(10, 27, 0) << u"2025-10-21"_s << u"2025-10-27"_s;
        QTest::newRow("00:30 after the US autumn change") << local(11, 3, 0) << u"2025-10-28"_s << u"2025-11-03"_s;
        QTest::newRow("23:30 after the European autumn change") << local(10, 27, 23) << u"2025-10-21"_s << u"2025-10-27"_s;
        QTest::newRow("23:30 after the US autumn change") << local(11, 3, 23) << u"2025-10-28"_s << u"2025-11-03"_s;
        QTest::newRow("across a year end") << local(1, 3, 12) << u"2024-12-28"_s << u"2025-01-03"_s;
    }

    // Today and the seven days up to it, by the local calendar; the first
    // entry for a day counts, and nothing is cached.
    void sevenDays()
    {
        QFETCH(QDateTime, now);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QVERIFY(m_vm->last7DaysActivity().isEmpty()); // nothing without statistics
        m_clock->set(now);
        loadStats(statsJson(day(u"2024-01-01"_s, 1) + "," + day(last, 7) + "," + day(last, 8) + "," + day(first, 3),
                            R"([{"date":")" + last.toLatin1() + R"(","tokensByModel":{"a":6}}])"));
        const QList<DailyActivity> week = m_vm->last7DaysActivity();
        QCOMPARE(week.size(), 7);
        for (int i = 0; i < 7; ++i) {
            const int messages = i == 0 ? 3 : i == 6 ? 7 : 0;
            const QDate date = QDate::fromString(first, u"yyyy-MM-dd").addDays(i);
            QCOMPARE(week[i], (DailyActivity{date.toString(u"yyyy-MM-dd"), messages, messages ? 1 : 0, messages ? 1 : 0}));
        }
        QCOMPARE(m_vm->todayActivity(), std::optional(week.last()));
        QCOMPARE(m_vm->todayModelTokens()->totalTokens(), 6);
        m_clock->advance(2 * 24 * 3600);
        QVERIFY(!m_vm->todayActivity() && !m_vm->todayModelTokens());
    }

    void dates()
    {
        // 02:30 UTC on 5 January is 4 January in New York; without a fraction it is no date.
        QString date = newYork ? u"Jan 4, 2025"_s : u"Jan 5, 2025"_s;
        if (language == u"de"_s)
            date = newYork ? u"04.01.2025"_s : u"05.01.2025"_s;
        else if (language == u"th"_s)
            date = QString::fromUtf8("5 ม.ค. 2568");
        loadStats(statsJson({}, "[]", R"(,"firstSessionDate":"2025-01-05T02:30:00.696Z")"));
        QCOMPARE(m_vm->firstSessionFormatted(), std::optional(date));
        loadStats(statsJson({}, "[]", R"(,"firstSessionDate":"2025-01-05T02:30:00Z")"));
        QCOMPARE(m_vm->firstSessionFormatted(), std::nullopt);
        // 15:42:07 UTC: the zone moves the hour, the locale the style; never seconds.
        const QString time = at(15, 42) + DateFormats::shortTime(QDateTime(QDate(2025, 1, 5), QTime(15, 42, 7), Qt::UTC));
        QCOMPARE(time.left(time.size() / 2), time.mid(time.size() / 2));
        if (language == u"en"_s && newYork)
            QCOMPARE(at(15, 42).replace(QChar(0x202F), u' '), u"10:42 AM"_s);
        if (language == u"de"_s)
            QCOMPARE(at(15, 42), u"16:42"_s);
    }

    // Guards the German run itself: there the C library must print a decimal
    // comma, or the counts below prove nothing about that trap.
    void germanRunHasDecimalCommas()
    {
        if (language != u"de"_s)
            QSKIP("not the German run");
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%.1f", 42.5);
        QCOMPARE(QByteArray(buffer), QByteArray("42,5"));
    }

    void counts_data()
    {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("tokens"); // TokenFormatter::format
        QTest::addColumn<QString>("count");  // TokenFormatter::formatCount
        const auto grouped = [](QString text) { return text.replace(u' ', language == u"de"_s ? u'.' : u','); };
        QTest::newRow("999") << qint64(999) << u"999"_s << u"999"_s;
        QTest::newRow("1000") << qint64(1000) << u"1.0K"_s << grouped(u"1 000"_s);
        QTest::newRow("1250 ties to even") << qint64(1250) << u"1.2K"_s << grouped(u"1 250"_s);
        QTest::newRow("1350") << qint64(1350) << u"1.4K"_s << grouped(u"1 350"_s);
        QTest::newRow("1450 is just below the tie as a double") << qint64(1450) << u"1.4K"_s << grouped(u"1 450"_s);
        QTest::newRow("9999") << qint64(9999) << u"10.0K"_s << grouped(u"9 999"_s);
        QTest::newRow("10000") << qint64(10000) << u"10.0K"_s << u"10.0K"_s;
        QTest::newRow("999999") << qint64(999999) << u"1000.0K"_s << u"1000.0K"_s;
        QTest::newRow("3250000 ties to even") << qint64(3250000) << u"3.2M"_s << u"3.2M"_s;
        QTest::newRow("1500000000") << qint64(1500000000) << u"1.5B"_s << u"1500.0M"_s;
        QTest::newRow("int64 max") << std::numeric_limits<qint64>::max() << u"9223372036.9B"_s << u"9223372036854.8M"_s;
        QTest::newRow("-20000 unscaled") << qint64(-20000) << u"-20000"_s << grouped(u"-20 000"_s);
    }

    void counts()
    {
        QFETCH(qint64, n);
        QFETCH(QString, tokens);
        QFETCH(QString, count);
        QCOMPARE(TokenFormatter::format(n), tokens);
        QCOMPARE(TokenFormatter::formatCount(n), count);
    }

    void modelNames_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<NamedColor>("color");
        // Known prefixes, longer before the shorter ones they extend.
        QTest::newRow("opus 4.6") << u"claude-opus-4-6"_s << u"Opus 4.6"_s << NamedColor::Purple;
        QTest::newRow("opus 4.5 dated") << u"claude-opus-4-5-20251101"_s << u"Opus 4.5"_s << NamedColor::Indigo;
        QTest::newRow("sonnet 4.5 dated") << u"claude-sonnet-4-5-20250101"_s << u"Sonnet 4.5"_s << NamedColor::Blue;
        QTest::newRow("sonnet 4 dated") << u"claude-sonnet-4-20250101"_s << u"Sonnet 4"_s << NamedColor::Cyan;
        QTest::newRow("sonnet 4.6 matches sonnet 4") << u"claude-sonnet-4-6"_s << u"Sonnet 4"_s << NamedColor::Cyan;
        QTest::newRow("haiku 4.5") << u"claude-haiku-4-5"_s << u"Haiku 4.5"_s << NamedColor::Green;
        QTest::newRow("haiku 4.5 dotted takes haiku 4") << u"claude-haiku-4.5"_s << u"Haiku 4"_s << NamedColor::Mint;
        QTest::newRow("sonnet 3.5") << u"claude-sonnet-3-5-x"_s << u"Sonnet 3.5"_s << NamedColor::Teal;
        QTest::newRow("haiku 3.5") << u"claude-haiku-3-5"_s << u"Haiku 3.5"_s << NamedColor::Orange;
        QTest::newRow("opus 3") << u"claude-opus-3-20240229"_s << u"Opus 3"_s << NamedColor::Pink;
        // Else: drop every "claude-", cut at "-20", capitalise runs of letters.
        QTest::newRow("old naming") << u"claude-3-5-sonnet-20240101"_s << u"3-5-Sonnet"_s << NamedColor::Gray;
        QTest::newRow("case differs") << u"Claude-Opus-4-6"_s << u"Claude-Opus-4-6"_s << NamedColor::Gray;
        QTest::newRow("every claude- removed") << u"claude-claude-x"_s << u"X"_s << NamedColor::Gray;
        QTest::newRow("slash") << u"anthropic/claude-opus-4.6"_s << u"Anthropic/Opus-4.6"_s << NamedColor::Gray;
        QTest::newRow("colon") << u"llama3.1:8b"_s << u"Llama3.1:8B"_s << NamedColor::Gray;
        QTest::newRow("proxy with date") << u"gpt-4o-2024-11-20"_s << u"Gpt-4O"_s << NamedColor::Gray;
        QTest::newRow("mixed case lowered") << u"GLM-4.6"_s << u"Glm-4.6"_s << NamedColor::Gray;
    }

    void modelNames()
    {
        QFETCH(QString, id);
        QFETCH(QString, name);
        QFETCH(NamedColor, color);
        QCOMPARE(ModelNameMapper::info(id), (ModelNameMapper::ModelInfo{name, color}));
    }

    // Each step: the five-hour figure, when it resets (seconds after 12:00;
    // 0: no reset time) and whether it was kept through a wait; then the
    // alerts that step calls for.
    void limitAlerts_data()
    {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QStringList>("alerts");
        const int a = 3600, b = a + 5 * 3600, c = b + 5 * 3600; // three windows' resets
        QTest::newRow("crossing 90 twice in one cycle")
            << Steps{{89.9, a, 0}, {90.2, a, 0}, {80, a, 0}, {95, a, 0}} << QStringList{{}, u"nearly"_s, {}, {}};
        QTest::newRow("full at first look") << Steps{{100, a, 0}, {92, a, 0}} << QStringList{u"reached"_s, {}};
        QTest::newRow("a new cycle after 90 tells, and alerts anew")
            << Steps{{92, a, 0}, {91, b, 0}, {4, c, 0}} << QStringList{u"nearly"_s, u"reset,nearly"_s, u"reset"_s};
        QTest::newRow("no reset notice below 90") << Steps{{60, a, 0}, {4, b, 0}} << QStringList{{}, {}};
        QTest::newRow("reset time written afresh: the same cycle") << Steps{{92, a, 0}, {93, a + 30, 0}}
                                                                   << QStringList{u"nearly"_s, {}};
        QTest::newRow("no reset time, then one: a new cycle")
            << Steps{{95, 0, 0}, {95, 0, 0}, {3, b, 0}} << QStringList{u"nearly"_s, {}, u"reset"_s};
        QTest::newRow("kept figures neither alert nor reset")
            << Steps{{93, a, 1}, {93, a, 0}, {2, b, 1}, {2, b, 0}} << QStringList{{}, u"nearly"_s, {}, u"reset"_s};
    }

    void limitAlerts()
    {
        QFETCH(Steps, steps);
        QFETCH(QStringList, alerts);
        LimitAlerts rules;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const auto [percent, resetsIn, kept] = steps[i];
            const QString resetsAt = m_clock->now().addSecs(resetsIn).toString(Qt::ISODateWithMs);
            QStringList kinds;
            for (const LimitAlerts::Alert& alert : rules.update(fiveHour(percent, resetsIn ? resetsAt : QString()), kept,
                                                                m_clock->now().addSecs(60 * i)))
                kinds << QStringList{u"nearly"_s, u"reached"_s, u"reset"_s}.at(int(alert.kind));
            QCOMPARE(kinds.join(u','), alerts[i]);
        }
        QCOMPARE(rules.update(std::nullopt, false, m_clock->now()), QList<LimitAlerts::Alert>()); // no figures: no change
        // Which limit, the figure and when it resets; each window on its own.
        UsageResponse reply = fiveHour(93.7, m_clock->now().addSecs(2 * 3600 + 5 * 60 + 30).toString(Qt::ISODateWithMs));
        reply.sevenDay = UsageWindow{100.0, m_clock->now().addSecs(26 * 3600 + 30).toString(Qt::ISODateWithMs)};
        using A = LimitAlerts;
        QCOMPARE(LimitAlerts().update(reply, false, m_clock->now()),
                 (QList<A::Alert>{{A::Limit::Session, A::Kind::Nearly, u"Current session at 93%"_s, u"Resets in 2 hr 5 min."_s},
                                  {A::Limit::Weekly, A::Kind::Reached, u"Weekly limit reached"_s,
                                   u"100% used. Resets in 26 hr 0 min."_s}}));
    }

private:
    std::unique_ptr<StatsViewModel> makeViewModel(std::chrono::milliseconds polling = 1h,
                                                  std::chrono::milliseconds usage = 1h)
    {
        return std::make_unique<StatsViewModel>(StatsViewModel::Dependencies{
            .clock = m_clock, .statsPath = m_path, .usageSource = m_source, .pollingInterval = polling, .usageInterval = usage});
    }

    void loadStats(const QByteArray& json)
    {
        QVERIFY(StatsFiles::write(m_path, json));
        m_vm->refresh();
        QVERIFY(m_vm->stats());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    const std::shared_ptr<FixedClock> m_clock = std::make_shared<FixedClock>(QDateTime());
    std::shared_ptr<FakeUsageSource> m_source;
    std::unique_ptr<StatsViewModel> m_vm;
};

QTEST_GUILESS_MAIN(TestStatsViewModel)
#include "tst_statsviewmodel.moc"
