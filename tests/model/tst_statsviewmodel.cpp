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

UsageResponse replyWithFiveHour(double utilization)
{
    UsageResponse reply;
    reply.fiveHour = UsageWindow{utilization, std::nullopt};
    return reply;
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
