// Also run per locale and time zone (CMakeLists.txt).
#include "model/DateFormats.h"
#include "model/LimitAlerts.h"
#include "model/ModelNameMapper.h"
#include "model/StatsViewModel.h"
#include "model/TokenFormatter.h"
#include "stats/StatsFileWatcher.h"

#include "FakeUsageSource.h"
#include "FixedClock.h"
#include "StatsFiles.h"

#include <QRegularExpression>
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

UsageResponse fiveHour(double percent, std::optional<QString> resetsAt = {})
{
    UsageResponse reply;
    reply.fiveHour = UsageWindow{percent, std::move(resetsAt)};
    return reply;
}

UsageFetch refusal(Outcome outcome, int status = 0, std::optional<int> retryAfter = {})
{
    UsageFetch fetch = UsageFetch::failed(outcome, status);
    fetch.retryAfter = retryAfter ? std::optional(std::chrono::seconds(*retryAfter)) : std::nullopt;
    return fetch;
}

UsageFetch limited(std::optional<int> retryAfter = {}) { return refusal(Outcome::RateLimited, 429, retryAfter); }

// 5 January 2025, hh:mm UTC, as the texts write it here.
QString at(int hour, int minute)
{
    return DateFormats::shortTime(QDateTime(QDate(2025, 1, 5), QTime(hour, minute), Qt::UTC));
}

QByteArray statsJson(const QByteArray& days = {}, const QByteArray& tokens = "[]", const QByteArray& extra = {})
{
    return R"({"version":5,"lastComputedDate":"2025-01-05","dailyActivity":[)" + days + R"(],"dailyModelTokens":)"
        + tokens + R"(,"modelUsage":{},"totalSessions":3,"totalMessages":4)" + extra + "}";
}

QByteArray day(const QString& date, int messages)
{
    return R"({"date":")" + date.toLatin1() + R"(","messageCount":)" + QByteArray::number(messages)
        + R"(,"sessionCount":1,"toolCallCount":1})";
}

// Waits for `count` ticks of a new timer; a view model timer of that interval started before has ticked as often.
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

} // namespace

class TestStatsViewModel : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_clock->set(QDateTime(QDate(2025, 1, 5), QTime(12, 0), Qt::UTC));
        m_source = std::make_shared<FakeUsageSource>();
        m_vm = makeViewModel();
    }

    // Nothing is read or fetched before start(); then one load, one announcement and two fetches. Started
    // twice more, it keeps one usage and one polling timer: about one fetch and one load per tick.
    void startSequence()
    {
        QVERIFY(StatsFiles::write(m_path, statsJson()));
        m_vm = makeViewModel(100ms, 100ms);
        QSignalSpy changed(m_vm.get(), &StatsViewModel::changed);
        witnessTicks(100ms, 2); // its timers, had they started, have ticked by now
        QVERIFY(!m_vm->stats() && !m_vm->usage() && !m_vm->lastRefresh() && changed.isEmpty());
        QCOMPARE(m_source->started(), 0);
        m_vm->start();
        QCOMPARE(m_vm->stats()->totalSessions, 3);
        QCOMPARE(m_vm->lastRefresh(), std::optional(m_clock->now()));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(m_source->pending(), 2);
        m_vm->start();
        m_vm->start();
        changed.clear();
        const int ticks = witnessTicks(100ms, 6);
        for (const qsizetype n : {m_source->started() - 6, qsizetype(changed.count())})
            QVERIFY2(n >= ticks - 1 && n <= ticks + 1, qPrintable(u"%1 for %2 ticks"_s.arg(n).arg(ticks)));
    }

    // A watcher notice reloads (a broken file clears the statistics) and fetches once, even after three starts.
    void watcherNoticeRefreshes()
    {
        QVERIFY(StatsFiles::write(m_path, statsJson()));
        for (int i = 0; i < 3; ++i)
            m_vm->start();
        m_clock->advance(60);
        QVERIFY(StatsFiles::replace(m_path, "{}"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_vm->stats().has_value(), 3000);
        QCOMPARE(m_vm->lastRefresh(), std::optional(m_clock->now()));
        // A refresh that must not come has no event to wait for.
        QTest::qWait(3 * (StatsFileWatcher::rearmDelayMs + StatsFileWatcher::debounceMs));
        QCOMPARE(m_source->started(), 7);
    }

    // Fetches complete in any order: the last decides the figures, even absent ones, each is announced, and
    // none shortens a wait an earlier 429 announced.
    void overlappingFetches()
    {
        for (int i = 0; i < 4; ++i)
            m_vm->refreshUsage();
        QSignalSpy changed(m_vm.get(), &StatsViewModel::changed);
        m_source->complete(3, limited(60));
        m_source->complete(0, fiveHour(20));
        QCOMPARE(m_vm->usage(), std::optional(fiveHour(20)));
        QCOMPARE(m_vm->usageToolTip(), u"The service asked to wait until %1."_s.arg(at(12, 1)));
        m_source->complete(0, limited(10));
        m_clock->advance(5);
        m_source->complete(0, std::nullopt);
        QVERIFY(!m_vm->usage());
        QCOMPARE(m_vm->usageStatus().waitUntil, std::optional(m_clock->now().addSecs(55))); // still 12:01
        QCOMPARE(m_vm->lastRefresh(), std::optional(m_clock->now()));
        QCOMPARE(changed.count(), 4);
    }

    // A 429 holds all requests back for its Retry-After, capped at an hour, else for a backoff doubling from
    // 10 s to 5 min that a 200 restarts. A 503 waits only when it names a wait.
    void waitsAfterRefusals_data()
    {
        QTest::addColumn<QList<UsageFetch>>("answers"); // each completes the one fetch then in flight
        QTest::addColumn<QList<int>>("waits");          // seconds each holds the next request back
        const UsageFetch ok = UsageFetch::ok(fiveHour(1));
        QTest::newRow("429s without Retry-After") << QList<UsageFetch>(7, limited()) << QList{10, 20, 40, 80, 160, 300, 300};
        QTest::newRow("a 200 restarts the doubling") << QList{limited(), limited(), ok, limited()} << QList{10, 20, 0, 10};
        QTest::newRow("Retry-After as announced") << QList{limited(990), limited(2988)} << QList{990, 2988};
        // As a date already past gives: asking at once keeps a client locked out.
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

    // The label; only a 429 keeps the figures (which still count down, and the tooltip dates them), every other
    // failure clears them and the tooltip says why.
    void labelAndToolTip_data()
    {
        QTest::addColumn<QList<UsageFetch>>("answers"); // completed in turn, a minute apart, from 12:00
        QTest::addColumn<int>("later");                 // seconds after the last, when they are read
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("toolTip");
        const UsageFetch ok = UsageFetch::ok(fiveHour(42, u"2025-01-05T12:10:00.000Z"_s));
        const QString kept = u"Plan usage as of %1: the service is limiting requests."_s.arg(at(12, 0));
        const QString wait = u"\nThe service asked to wait until %1."_s;
        const QString refused = u"The service refused the request (HTTP %1)."_s;
        const QString in2h5m = u"2025-01-05T14:05:30.5Z"_s;
        const auto only = [](UsageResponse reply) { return QList{UsageFetch::ok(std::move(reply))}; };
        QTest::newRow("nothing yet") << QList<UsageFetch>{} << 0 << QString() << QString();
        QTest::newRow("-3.7 truncates to -3") << only(fiveHour(-3.7)) << 0 << u"-3%"_s << QString();
        QTest::newRow("beyond 64 bits: no percent") << only(fiveHour(1e19, in2h5m)) << 0 << u"2 hr 5 min"_s << QString();
        UsageResponse noPercent = fiveHour(0, in2h5m);
        noPercent.fiveHour->utilization.reset();
        QTest::newRow("no utilization: reset alone") << only(noPercent) << 0 << u"2 hr 5 min"_s << QString();
        QTest::newRow("no five-hour window") << only(UsageResponse{}) << 0 << QString() << QString();
        QTest::newRow("kept, wait over") << QList{ok, limited(30)} << 30 << u"42% \u00B7 8 min"_s << kept;
        QTest::newRow("kept across 429s, past the reset")
            << QList{ok, limited(), limited(3600)} << 600 << u"42% \u00B7 now"_s << kept + wait.arg(at(13, 2));
        QTest::newRow("fresh again") << QList{ok, limited(), ok} << 0 << u"42% \u00B7 8 min"_s << QString();
        QTest::newRow("no sign-in") << QList{ok, refusal(Outcome::NoCredential)} << 0 << QString()
                                    << u"No Claude Code sign-in found."_s;
        QTest::newRow("500") << QList{ok, refusal(Outcome::Refused, 500)} << 0 << QString() << refused.arg(500);
        QTest::newRow("503 naming a wait") << QList{ok, refusal(Outcome::Refused, 503, 120)} << 0 << QString()
                                           << refused.arg(503) + wait.arg(at(12, 3));
        QTest::newRow("no connection") << QList{ok, refusal(Outcome::NoConnection)} << 0 << QString()
                                       << u"No connection to the service."_s;
        QTest::newRow("bad reply") << QList{ok, refusal(Outcome::BadReply, 200)} << 0 << QString()
                                   << u"The service's reply could not be read."_s;
    }

    void labelAndToolTip()
    {
        QFETCH(QList<UsageFetch>, answers);
        QFETCH(int, later);
        QFETCH(QString, label);
        QFETCH(QString, toolTip);
        for (qsizetype i = 0; i < answers.size(); ++i) {
            m_clock->advance(i ? 60 : 0);
            m_vm->refreshUsage();
            QCOMPARE(m_source->pending(), 1);
            m_source->complete(0, answers[i]);
        }
        m_clock->advance(later);
        QCOMPARE(m_vm->menuBarLabel(), label);
        QCOMPARE(m_vm->usageToolTip(), toolTip);
    }

    // A fetch completing after the view model is gone leaves it alone: kept storage shows any late write.
    void fetchOutlivingTheViewModelIsHarmless()
    {
        alignas(StatsViewModel) std::byte storage[sizeof(StatsViewModel)];
        auto* vm = new (storage) StatsViewModel({.clock = m_clock, .statsPath = m_path, .usageSource = m_source});
        vm->start();
        vm->~StatsViewModel();
        const QByteArray remains(reinterpret_cast<const char*>(storage), sizeof storage);
        QCOMPARE(m_source->pending(), 2);
        while (m_source->pending())
            m_source->complete(0, fiveHour(1));
        QVERIFY2(QByteArray(reinterpret_cast<const char*>(storage), sizeof storage) == remains,
                 "a late completion wrote to the destroyed view model");
    }

    void sevenDays_data()
    {
        QTest::addColumn<QDateTime>("now"); // local wall time, so a row means the same in every zone
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        // Days stepped in 24-hour seconds skip, repeat or stop short of a day near midnight after a change
        // (US: 9 March, 2 November 2025; Europe: 30 March, 26 October 2025).
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

    // The seven days up to today by the local calendar; a day's first entry counts; nothing is cached.
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
            const QString date = QDate::fromString(first, u"yyyy-MM-dd").addDays(i).toString(u"yyyy-MM-dd");
            QCOMPARE(week[i], (DailyActivity{date, messages, messages ? 1 : 0, messages ? 1 : 0}));
        }
        QCOMPARE(m_vm->todayActivity(), std::optional(week.last()));
        QCOMPARE(m_vm->todayModelTokens()->totalTokens(), 6);
        m_clock->advance(2 * 24 * 3600);
        QVERIFY(!m_vm->todayActivity() && !m_vm->todayModelTokens());
    }

    // The first session's local day in the locale's medium style (in New York, 4 January), times without seconds.
    void dates()
    {
        QString date = newYork ? u"Jan 4, 2025"_s : u"Jan 5, 2025"_s;
        if (language == u"de"_s)
            date = newYork ? u"04.01.2025"_s : u"05.01.2025"_s;
        else if (language == u"th"_s)
            date = QString::fromUtf8("5 ม.ค. 2568");
        loadStats(statsJson({}, "[]", R"(,"firstSessionDate":"2025-01-05T02:30:00.696Z")"));
        QCOMPARE(m_vm->firstSessionFormatted(), std::optional(date));
        loadStats(statsJson({}, "[]", R"(,"firstSessionDate":"2025-01-05T02:30:00Z")"));
        QCOMPARE(m_vm->firstSessionFormatted(), std::nullopt);
        QCOMPARE(DateFormats::shortTime(QDateTime(QDate(2025, 1, 5), QTime(15, 42, 7), Qt::UTC)), at(15, 42));
        if (language == u"en"_s && newYork)
            QCOMPARE(at(15, 42).replace(QChar(0x202F), u' '), u"10:42 AM"_s);
        if (language == u"de"_s)
            QCOMPARE(at(15, 42), u"16:42"_s);
    }

    // In the German run the C library writes a decimal comma; no count may show one.
    void counts_data()
    {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("tokens"); // TokenFormatter::format
        QTest::addColumn<QString>("count");  // TokenFormatter::formatCount
        char comma[8] = {};
        std::snprintf(comma, sizeof comma, "%.1f", 0.5);
        QVERIFY2(language != u"de"_s || QByteArray(comma) == "0,5", "without a decimal comma the German run proves nothing");
        const auto grouped = [](QString text) { return text.replace(u' ', language == u"de"_s ? u'.' : u','); };
        QTest::newRow("999") << qint64(999) << u"999"_s << u"999"_s;
        QTest::newRow("1000") << qint64(1000) << u"1.0K"_s << grouped(u"1 000"_s);
        QTest::newRow("1250 ties to even") << qint64(1250) << u"1.2K"_s << grouped(u"1 250"_s);
        QTest::newRow("1450 is just below the tie as a double") << qint64(1450) << u"1.4K"_s << grouped(u"1 450"_s);
        QTest::newRow("9999") << qint64(9999) << u"10.0K"_s << grouped(u"9 999"_s);
        QTest::newRow("10000") << qint64(10000) << u"10.0K"_s << u"10.0K"_s;
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
        QTest::newRow("opus 4.5 dated") << u"claude-opus-4-5-20251101"_s << u"Opus 4.5"_s << NamedColor::Indigo;
        QTest::newRow("sonnet 4.5 dated") << u"claude-sonnet-4-5-20250101"_s << u"Sonnet 4.5"_s << NamedColor::Blue;
        QTest::newRow("sonnet 4.6 matches sonnet 4") << u"claude-sonnet-4-6"_s << u"Sonnet 4"_s << NamedColor::Cyan;
        QTest::newRow("haiku 4.5 dotted takes haiku 4") << u"claude-haiku-4.5"_s << u"Haiku 4"_s << NamedColor::Mint;
        QTest::newRow("opus 3") << u"claude-opus-3-20240229"_s << u"Opus 3"_s << NamedColor::Pink;
        // Else: drop every "claude-", cut at "-20", capitalise runs of letters.
        QTest::newRow("old naming") << u"claude-3-5-sonnet-20240101"_s << u"3-5-Sonnet"_s << NamedColor::Gray;
        QTest::newRow("case differs") << u"Claude-Opus-4-6"_s << u"Claude-Opus-4-6"_s << NamedColor::Gray;
        QTest::newRow("every claude- removed") << u"claude-claude-x"_s << u"X"_s << NamedColor::Gray;
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

    // Alerts once per window cycle. A step: the figure, its window (a, b, c: resets in 1, 6, 11 hours; a': 30 s
    // after a, as the service rewrites it; -: none), and k when kept through a rate-limit wait.
    void limitAlerts_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("alerts"); // per step
        QTest::newRow("crossing 90 twice in one cycle") << u"89.9a 90.2a 80a 95a"_s << u"|nearly||"_s;
        QTest::newRow("full at first look") << u"100a 92a"_s << u"reached|"_s;
        QTest::newRow("a new cycle after 90 tells, and alerts anew") << u"92a 91b 4c"_s << u"nearly|reset,nearly|reset"_s;
        QTest::newRow("no reset notice below 90") << u"60a 4b"_s << u"|"_s;
        QTest::newRow("reset time written afresh: the same cycle") << u"92a 93a'"_s << u"nearly|"_s;
        QTest::newRow("no reset time, then one: a new cycle") << u"95- 95- 3b"_s << u"nearly||reset"_s;
        QTest::newRow("kept figures neither alert nor reset") << u"93ak 93a 2bk 2b"_s << u"|nearly||reset"_s;
    }

    void limitAlerts()
    {
        QFETCH(QString, steps);
        QFETCH(QString, alerts);
        LimitAlerts rules;
        QStringList told;
        for (const QString& step : steps.split(u' ')) {
            const auto m = QRegularExpression(u"^([\\d.]+)([-abc])(')?(k)?$"_s).match(step);
            const qsizetype window = u"-abc"_s.indexOf(m.captured(2));
            const qint64 resetsIn = window * 18000 - 14400 + (m.hasCaptured(3) ? 30 : 0);
            const UsageResponse reply = fiveHour(m.captured(1).toDouble(), window ? std::optional(in(resetsIn)) : std::nullopt);
            QStringList kinds;
            for (const LimitAlerts::Alert& alert : rules.update(reply, m.hasCaptured(4), m_clock->now()))
                kinds << QStringList{u"nearly"_s, u"reached"_s, u"reset"_s}.at(int(alert.kind));
            told << kinds.join(u',');
        }
        QCOMPARE(told.join(u'|'), alerts);
        QCOMPARE(rules.update(std::nullopt, false, m_clock->now()), QList<LimitAlerts::Alert>()); // no figures: no change
        UsageResponse weekly;
        weekly.sevenDay = UsageWindow{100.0, in(26 * 3600 + 30)};
        QCOMPARE(LimitAlerts().update(weekly, false, m_clock->now()),
                 (QList<LimitAlerts::Alert>{{LimitAlerts::Limit::Weekly, LimitAlerts::Kind::Reached,
                                             u"Weekly limit reached"_s, u"100% used. Resets in 26 hr 0 min."_s}}));
    }

private:
    std::unique_ptr<StatsViewModel> makeViewModel(std::chrono::milliseconds polling = 1h,
                                                  std::chrono::milliseconds usage = 1h)
    {
        return std::make_unique<StatsViewModel>(StatsViewModel::Dependencies{
            .clock = m_clock, .statsPath = m_path, .usageSource = m_source, .pollingInterval = polling, .usageInterval = usage});
    }

    QString in(qint64 seconds) const { return m_clock->now().addSecs(seconds).toString(Qt::ISODateWithMs); }

    void loadStats(const QByteArray& json)
    {
        QVERIFY(StatsFiles::write(m_path, json));
        m_vm->refresh();
    }

    QTemporaryDir m_dir;
    const QString m_path = m_dir.filePath(u"stats-cache.json"_s);
    const std::shared_ptr<FixedClock> m_clock = std::make_shared<FixedClock>(QDateTime());
    std::shared_ptr<FakeUsageSource> m_source;
    std::unique_ptr<StatsViewModel> m_vm;
};

QTEST_GUILESS_MAIN(TestStatsViewModel)
#include "tst_statsviewmodel.moc"
