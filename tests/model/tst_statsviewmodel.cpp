#include "model/StatsViewModel.h"
#include "stats/StatsFileWatcher.h"

#include "FakeUsageSource.h"
#include "FixedClock.h"
#include "StatsFiles.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstddef>
#include <memory>
#include <new>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QByteArray validStats =
    R"({"version":5,"lastComputedDate":"2025-01-05","dailyActivity":[],"dailyModelTokens":[],"modelUsage":{},"totalSessions":3,"totalMessages":4})";
const QByteArray statsWithoutVersion =
    R"({"lastComputedDate":"2025-01-05","dailyActivity":[],"dailyModelTokens":[],"modelUsage":{},"totalSessions":3,"totalMessages":4})";

UsageResponse replyWithFiveHour(double utilization, std::optional<QString> resetsAt = std::nullopt)
{
    UsageResponse reply;
    reply.fiveHour = UsageWindow{utilization, std::move(resetsAt)};
    return reply;
}

using Outcome = UsageFetch::Outcome;

UsageFetch refusal(Outcome outcome, int status = 0, std::optional<int> retryAfter = std::nullopt)
{
    UsageFetch fetch = UsageFetch::failed(outcome, status);
    if (retryAfter)
        fetch.retryAfter = std::chrono::seconds(*retryAfter);
    return fetch;
}

UsageFetch limited(std::optional<int> retryAfter = std::nullopt)
{
    return refusal(Outcome::RateLimited, 429, retryAfter);
}

} // namespace

class TestStatsViewModel : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(u"stats-cache.json"_s);
        m_clock = std::make_shared<FixedClock>(QDateTime(QDate(2025, 1, 5), QTime(12, 0), Qt::UTC));
        m_source = std::make_shared<FakeUsageSource>();
    }

    void cleanup()
    {
        m_source.reset();
        m_dir.reset();
    }

    void nothingHappensBeforeStart()
    {
        writeStats(validStats);
        auto vm = makeViewModel(50ms, 50ms);
        QSignalSpy changed(vm.get(), &StatsViewModel::changed);
        witnessTicks(50ms, 2); // its timers, had they started, have ticked by now
        QVERIFY(!vm->stats());
        QVERIFY(!vm->usage());
        QVERIFY(!vm->lastRefresh());
        QCOMPARE(m_source->started(), 0);
        QCOMPARE(changed.count(), 0);
    }

    void startLoadsAtOnceAndFetchesTwice()
    {
        writeStats(validStats);
        auto vm = makeViewModel();
        QSignalSpy changed(vm.get(), &StatsViewModel::changed);
        vm->start();
        QVERIFY(vm->stats());
        QCOMPARE(vm->stats()->totalSessions, 3);
        QCOMPARE(vm->lastRefresh(), std::optional<QDateTime>(m_clock->now()));
        QCOMPARE(changed.count(), 1); // stats and the refresh time, announced together
        QCOMPARE(m_source->pending(), 2);
    }

    void missingFileIsFoundByPolling()
    {
        auto vm = makeViewModel(150ms);
        vm->start();
        QVERIFY(!vm->stats());
        QVERIFY(vm->lastRefresh());
        writeStats(validStats);
        QTRY_VERIFY_WITH_TIMEOUT(vm->stats().has_value(), 3000);
    }

    // A notice of the watcher refreshes: reloads (a broken file clears the
    // statistics, a good one brings them back) and fetches once.
    void watcherNoticeRefreshes()
    {
        writeStats(validStats);
        auto vm = makeViewModel();
        vm->start();
        const qsizetype fetches = m_source->started();
        m_clock->advance(60);
        replaceStats(statsWithoutVersion);
        QTRY_VERIFY_WITH_TIMEOUT(!vm->stats().has_value(), 3000);
        QCOMPARE(vm->lastRefresh(), std::optional<QDateTime>(m_clock->now()));
        QCOMPARE(m_source->started(), fetches + 1);
        replaceStats(validStats);
        QTRY_VERIFY_WITH_TIMEOUT(vm->stats().has_value(), 3000);
        QCOMPARE(m_source->started(), fetches + 2);
        waitOutTheWatcher();
        QCOMPARE(m_source->started(), fetches + 2);
    }

    void pollingReloadsAndAnnouncesButNeverFetches()
    {
        writeStats(validStats);
        auto vm = makeViewModel(100ms);
        vm->start();
        QSignalSpy changed(vm.get(), &StatsViewModel::changed);
        const qsizetype fetches = m_source->started();
        m_clock->advance(30);
        // An unchanged file is still re-assigned and announced on every tick.
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() >= 4, 3000);
        QCOMPARE(vm->lastRefresh(), std::optional<QDateTime>(m_clock->now()));
        QCOMPARE(m_source->started(), fetches);
    }

    void repeatedStartKeepsOneOfEach()
    {
        writeStats(validStats);
        auto vm = makeViewModel(100ms, 100ms);
        vm->start();
        vm->start();
        vm->start();
        QCOMPARE(m_source->started(), 6); // two per start
        QSignalSpy changed(vm.get(), &StatsViewModel::changed);
        const int ticks = witnessTicks(100ms, 6);
        // One usage timer fetches about once per witness tick, three would
        // fetch three times as often.
        const qsizetype fetches = m_source->started() - 6;
        QVERIFY2(fetches >= ticks - 1 && fetches <= ticks + 1,
                 qPrintable(u"%1 fetches, %2 ticks"_s.arg(fetches).arg(ticks)));
        // Likewise one polling timer, allowing a load up to two announcements.
        const qsizetype announced = changed.count();
        QVERIFY2(announced >= ticks - 1 && announced <= 2 * (ticks + 1),
                 qPrintable(u"%1 announced, %2 ticks"_s.arg(announced).arg(ticks)));

        vm.reset();

        // One watcher: a replacement refreshes once, so exactly one more fetch.
        m_source = std::make_shared<FakeUsageSource>();
        auto quiet = makeViewModel();
        quiet->start();
        quiet->start();
        quiet->start();
        replaceStats(validStats);
        QTRY_COMPARE_WITH_TIMEOUT(m_source->started(), 7, 3000);
        waitOutTheWatcher();
        QCOMPARE(m_source->started(), 7);
    }

    // Fetches complete in any order and the last to complete decides, even an
    // absent one: every completion is announced and stamps the refresh time.
    void lastFetchToCompleteWins()
    {
        auto vm = makeViewModel();
        vm->start();
        vm->refreshUsage();
        QCOMPARE(m_source->pending(), 3);
        QSignalSpy changed(vm.get(), &StatsViewModel::changed);
        m_source->complete(2, replyWithFiveHour(10)); // started last, done first
        m_source->complete(0, replyWithFiveHour(20)); // started first, done last
        QCOMPARE(vm->usage(), std::optional<UsageResponse>(replyWithFiveHour(20)));
        QCOMPARE(changed.count(), 2); // one announcement per completed fetch
        m_clock->advance(5);
        m_source->complete(0, std::nullopt);
        QVERIFY(!vm->usage());
        QCOMPARE(vm->lastRefresh(), std::optional<QDateTime>(m_clock->now()));
        QVERIFY(vm->menuBarLabel().isEmpty());
    }

    // Every 429 holds all requests back (ticks and Refresh alike): for its
    // Retry-After, capped at an hour, else for a backoff doubling from 10 s
    // to 5 min that a 200 restarts. A 503 waits only when it names a wait.
    void waitsAfterRefusals_data()
    {
        QTest::addColumn<QList<UsageFetch>>("answers"); // each completes the one fetch then in flight
        QTest::addColumn<QList<int>>("waits");          // seconds each holds the next request back

        const UsageFetch ok = UsageFetch::ok(replyWithFiveHour(1));
        QTest::newRow("429s without Retry-After") << QList<UsageFetch>(8, limited())
                                                  << QList<int>{10, 20, 40, 80, 160, 300, 300, 300};
        QTest::newRow("a 200 restarts the doubling")
            << QList<UsageFetch>{limited(), limited(), ok, limited()} << QList<int>{10, 20, 0, 10};
        QTest::newRow("Retry-After as announced") << QList<UsageFetch>{limited(990), limited(2988)}
                                                  << QList<int>{990, 2988};
        // Also what a date already past gives: asking at once is what keeps a client locked out.
        QTest::newRow("Retry-After 0 is no usable value") << QList<UsageFetch>{limited(0), limited(0)}
                                                          << QList<int>{10, 20};
        QTest::newRow("capped at an hour") << QList<UsageFetch>{limited(7200)} << QList<int>{3600};
        QTest::newRow("an announced wait still doubles the backoff")
            << QList<UsageFetch>{limited(30), limited()} << QList<int>{30, 20};
        QTest::newRow("503 naming a wait") << QList<UsageFetch>{refusal(Outcome::Refused, 503, 30)} << QList<int>{30};
        QTest::newRow("503 naming none") << QList<UsageFetch>{refusal(Outcome::Refused, 503)} << QList<int>{0};
        QTest::newRow("500 naming a wait") << QList<UsageFetch>{refusal(Outcome::Refused, 500, 30)} << QList<int>{0};
    }

    void waitsAfterRefusals()
    {
        QFETCH(QList<UsageFetch>, answers);
        QFETCH(QList<int>, waits);
        auto vm = makeViewModel();
        for (qsizetype i = 0; i < answers.size(); ++i) {
            vm->refreshUsage();
            QCOMPARE(m_source->pending(), 1);
            m_source->complete(0, answers.at(i));
            const qsizetype fetches = m_source->started();
            if (waits.at(i) > 0) {
                m_clock->advance(waits.at(i) - 1);
                vm->refreshUsage();
                vm->refresh();
                QCOMPARE(m_source->started(), fetches);
                QCOMPARE(vm->usageStatus().waitUntil, std::optional(m_clock->now().addSecs(1)));
                m_clock->advance(1);
            }
            QVERIFY(!vm->usageStatus().waitUntil);
        }
        vm->refreshUsage();
        QCOMPARE(m_source->pending(), 1);
    }

    // Answers to requests sent before a 429 never shorten the wait it
    // announced: a 200 brings fresh figures, a shorter Retry-After nothing.
    void laterAnswersNeverShortenAWait()
    {
        auto vm = makeViewModel();
        vm->refreshUsage();
        vm->refreshUsage();
        vm->refreshUsage();
        m_source->complete(2, limited(60));
        m_source->complete(1, replyWithFiveHour(7));
        QCOMPARE(vm->sessionPercent(), std::optional<qint64>(7));
        QVERIFY(!vm->usageStatus().kept);
        QCOMPARE(vm->usageToolTip(), u"The service asked to wait until 12:01."_s);
        m_source->complete(0, limited(10));
        m_clock->advance(59);
        vm->refreshUsage();
        QCOMPARE(m_source->started(), 3);
        m_clock->advance(1);
        vm->refreshUsage();
        QCOMPARE(m_source->started(), 4);
    }

    // A refusal to answer says nothing about the figures: only a 429 keeps
    // them, and the status says how old they are. Everything else clears them
    // and says why.
    void keptOnlyAcrossRateLimits_data()
    {
        QTest::addColumn<UsageFetch>("failure");
        QTest::addColumn<bool>("kept");

        QTest::newRow("429") << limited() << true;
        QTest::newRow("429 naming a wait") << limited(990) << true;
        QTest::newRow("500") << refusal(Outcome::Refused, 500) << false;
        QTest::newRow("503 naming a wait") << refusal(Outcome::Refused, 503, 30) << false;
        QTest::newRow("401") << refusal(Outcome::Refused, 401) << false;
        QTest::newRow("no connection") << refusal(Outcome::NoConnection) << false;
        QTest::newRow("bad reply") << refusal(Outcome::BadReply, 200) << false;
        QTest::newRow("no sign-in") << refusal(Outcome::NoCredential) << false;
        QTest::newRow("sign-in expired") << refusal(Outcome::SignInExpired) << false;
    }

    void keptOnlyAcrossRateLimits()
    {
        QFETCH(UsageFetch, failure);
        QFETCH(bool, kept);
        auto vm = makeViewModel();
        const QDateTime fetchedAt = m_clock->now();
        vm->refreshUsage();
        m_source->complete(0, replyWithFiveHour(42));
        m_clock->advance(300);
        vm->refreshUsage();
        m_source->complete(0, failure);
        m_clock->advance(3600); // past any wait: the same again
        vm->refreshUsage();
        m_source->complete(0, failure);

        const StatsViewModel::UsageStatus status = vm->usageStatus();
        QCOMPARE(vm->usage().has_value(), kept);
        QCOMPARE(status.kept, kept);
        QCOMPARE(status.fetchedAt, kept ? std::optional(fetchedAt) : std::nullopt);
        QCOMPARE(status.missingBecause, kept ? std::nullopt : std::optional(failure.outcome));
        QCOMPARE(vm->lastRefresh(), std::optional(m_clock->now()));
        if (kept)
            QCOMPARE(vm->sessionPercent(), std::optional<qint64>(42));
        // The next 200 replaces kept figures as fresh ones.
        m_clock->advance(3600);
        vm->refreshUsage();
        m_source->complete(0, replyWithFiveHour(43));
        QCOMPARE(vm->usageStatus(), (StatsViewModel::UsageStatus{m_clock->now(), false, std::nullopt, std::nullopt, 0}));
    }

    // Kept figures age like any others: a five-hour reset that has passed reads "now".
    void keptFiguresStillReset()
    {
        auto vm = makeViewModel();
        vm->refreshUsage();
        m_source->complete(0, replyWithFiveHour(42, m_clock->now().addSecs(600).toString(Qt::ISODateWithMs)));
        QCOMPARE(vm->menuBarLabel(), u"42% \u00B7 10 min"_s);
        vm->refreshUsage();
        m_source->complete(0, limited(3600));
        m_clock->advance(601);
        QCOMPARE(vm->menuBarLabel(), u"42% \u00B7 now"_s);
    }

    // The tooltip: kept figures are dated, missing ones explained; never a
    // token or a body, since a fetch carries neither.
    void toolTip_data()
    {
        QTest::addColumn<QList<UsageFetch>>("answers"); // completed in turn, a minute apart, from 12:00
        QTest::addColumn<int>("later");                 // seconds after the last, when the tooltip is read
        QTest::addColumn<QString>("toolTip");

        const UsageFetch ok = UsageFetch::ok(replyWithFiveHour(42));
        QTest::newRow("nothing yet") << QList<UsageFetch>{} << 0 << QString();
        QTest::newRow("fresh figures") << QList<UsageFetch>{limited(), ok} << 0 << QString();
        QTest::newRow("kept figures")
            << QList<UsageFetch>{ok, limited(990)} << 0
            << u"Plan usage as of 12:00: the service is limiting requests.\nThe service asked to wait until 12:17."_s;
        QTest::newRow("kept figures, wait over") << QList<UsageFetch>{ok, limited(30)} << 30
                                                 << u"Plan usage as of 12:00: the service is limiting requests."_s;
        QTest::newRow("no sign-in") << QList<UsageFetch>{ok, refusal(Outcome::NoCredential)} << 0
                                    << u"No Claude Code sign-in found."_s;
        QTest::newRow("sign-in expired") << QList<UsageFetch>{refusal(Outcome::SignInExpired)} << 0
                                         << u"Claude Code's sign-in has expired; running `claude` renews it."_s;
        QTest::newRow("rate limited, nothing to keep")
            << QList<UsageFetch>{limited()} << 0
            << u"The service is limiting requests.\nThe service asked to wait until 12:00."_s;
        QTest::newRow("refused") << QList<UsageFetch>{ok, refusal(Outcome::Refused, 403)} << 0
                                 << u"The service refused the request (HTTP 403)."_s;
        QTest::newRow("unavailable, naming a wait")
            << QList<UsageFetch>{refusal(Outcome::Refused, 503, 120)} << 0
            << u"The service refused the request (HTTP 503).\nThe service asked to wait until 12:02."_s;
        QTest::newRow("no connection") << QList<UsageFetch>{refusal(Outcome::NoConnection)} << 0
                                       << u"No connection to the service."_s;
        QTest::newRow("bad reply") << QList<UsageFetch>{refusal(Outcome::BadReply, 200)} << 0
                                   << u"The service's reply could not be read."_s;
    }

    void toolTip()
    {
        QFETCH(QList<UsageFetch>, answers);
        QFETCH(int, later);
        QFETCH(QString, toolTip);
        auto vm = makeViewModel();
        m_clock->set(QDateTime(QDate(2025, 1, 5), QTime(11, 59), Qt::UTC));
        for (const UsageFetch& answer : answers) {
            m_clock->advance(60);
            vm->refreshUsage();
            QCOMPARE(m_source->pending(), 1);
            m_source->complete(0, answer);
        }
        m_clock->advance(later);
        QCOMPARE(vm->usageToolTip(), toolTip);
    }

    // A fetch that completes after the view model is gone must leave it alone.
    // The view model lives in storage the test keeps, so a late write to it
    // shows in the bytes instead of vanishing into freed memory.
    void fetchOutlivingTheViewModelIsHarmless()
    {
        alignas(StatsViewModel) std::byte storage[sizeof(StatsViewModel)];
        auto* vm = new (storage) StatsViewModel(dependencies());
        vm->start();
        vm->~StatsViewModel();
        QCOMPARE(m_source->pending(), 2);
        const auto bytes = [&storage] { return QByteArray(reinterpret_cast<const char*>(storage), sizeof storage); };
        const QByteArray remains = bytes();
        while (m_source->pending())
            m_source->complete(0, replyWithFiveHour(1));
        QVERIFY2(bytes() == remains, "a late completion wrote to the destroyed view model");
    }

private:
    StatsViewModel::Dependencies dependencies(std::chrono::milliseconds polling = 1h, std::chrono::milliseconds usage = 1h)
    {
        return {.clock = m_clock, .statsPath = m_path, .usageSource = m_source, .pollingInterval = polling,
                .usageInterval = usage};
    }

    std::unique_ptr<StatsViewModel> makeViewModel(std::chrono::milliseconds polling = 1h,
                                                  std::chrono::milliseconds usage = 1h)
    {
        return std::make_unique<StatsViewModel>(dependencies(polling, usage));
    }

    // Returns after at least `count` ticks of a timer started now, with how
    // many it made. A timer of the view model with the same interval, started
    // before, has by then ticked one fewer times at least, and what it queued
    // has run.
    static int witnessTicks(std::chrono::milliseconds interval, int count)
    {
        QTimer witness;
        witness.setTimerType(Qt::PreciseTimer);
        witness.setInterval(interval);
        QSignalSpy ticks(&witness, &QTimer::timeout);
        witness.start();
        if (!QTest::qWaitFor([&] { return ticks.count() >= count; }, 20000))
            QTest::qFail("the witness timer stalled", __FILE__, __LINE__);
        return int(ticks.count());
    }

    // A refresh that must not come has no later event to wait for: wait out
    // the watcher's re-arm and quiet period several times over.
    static void waitOutTheWatcher()
    {
        QTest::qWait(3 * (StatsFileWatcher::rearmDelayMs + StatsFileWatcher::debounceMs));
    }

    void writeStats(const QByteArray& content) { QVERIFY(StatsFiles::write(m_path, content)); }
    void replaceStats(const QByteArray& content) { QVERIFY(StatsFiles::replace(m_path, content)); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    std::shared_ptr<FixedClock> m_clock;
    std::shared_ptr<FakeUsageSource> m_source;
};

QTEST_GUILESS_MAIN(TestStatsViewModel)
#include "tst_statsviewmodel.moc"
