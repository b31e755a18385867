#include "stats/StatsFileWatcher.h"

#include "StatsFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using namespace Qt::Literals::StringLiterals;

namespace {
qsizetype openDescriptors()
{
    return QDir(u"/proc/self/fd"_s).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size();
}
} // namespace

class TestStatsFileWatcher : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_descriptors = openDescriptors();
        QVERIFY(StatsFiles::write(m_path, "{}"));
        m_notices = 0;
        m_clock.start();
        m_watcher = std::make_unique<StatsFileWatcher>([this] { // called back on the watcher's own thread
            m_lastNotice = m_clock.elapsed();
            ++m_notices;
        }, m_path);
        m_watcher->startWatching();
    }

    void cleanup() // its thread and inotify instance go with it
    {
        m_watcher.reset();
        QCOMPARE(openDescriptors(), m_descriptors);
    }

    void burstsGiveOneTrailingNotice()
    {
        // Each write inside the quiet period restarts it.
        qint64 lastWrite = m_clock.elapsed();
        for (int i = 0; i < 3; ++i, lastWrite = m_clock.elapsed()) {
            QTest::qWait(50);
            append();
            if (m_clock.elapsed() - lastWrite >= StatsFileWatcher::debounceMs)
                QSKIP("held up longer than the quiet period between two writes");
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 1, 3000);
        QVERIFY(m_lastNotice - lastWrite >= StatsFileWatcher::debounceMs - 5);
    }

    void followsReplacementByRename_data()
    {
        QTest::addColumn<bool>("heldOpen");
        QTest::newRow("old file closed") << false;
        // Held open, the old file only reports losing its name: deletion waits for the last close.
        QTest::newRow("old file held open by a reader") << true;
    }

    // Claude Code's way of saving: noticed after the re-arm and quiet period, and the new file watched from then on.
    void followsReplacementByRename()
    {
        QFETCH(bool, heldOpen);
        for (int round = 1; round <= 2; ++round) {
            QFile reader(m_path);
            QVERIFY(!heldOpen || reader.open(QIODevice::ReadOnly));
            const qint64 replaced = m_clock.elapsed();
            QVERIFY(StatsFiles::replace(m_path, "{}"));
            QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 2 * round - 1, 3000);
            QVERIFY(m_lastNotice - replaced >= StatsFileWatcher::rearmDelayMs + StatsFileWatcher::debounceMs - 5);
            QVERIFY(m_watcher->isArmed());
            append();
            QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 2 * round, 3000);
        }
    }

    // Deleted, the file is told of once; only when it is back by the re-arm is it watched again.
    void deleteRearmsOnlyOnAQuickReturn_data()
    {
        QTest::addColumn<int>("back"); // 0: at once, 1: after the notice
        QTest::newRow("back at once") << 0;
        QTest::newRow("back after the re-arm") << 1;
    }

    void deleteRearmsOnlyOnAQuickReturn()
    {
        QFETCH(int, back);
        const qint64 removed = m_clock.elapsed();
        QVERIFY(QFile::remove(m_path));
        QVERIFY(back != 0 || StatsFiles::write(m_path, "{}"));
        if (back == 0 && m_clock.elapsed() - removed >= StatsFileWatcher::rearmDelayMs)
            QSKIP("held up past the re-arm between removing and writing the file");
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 1, 3000);
        QVERIFY(back != 1 || StatsFiles::write(m_path, "{}"));
        QCOMPARE(m_watcher->isArmed(), back == 0);
        append();
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), back == 0 ? 2 : 1, 3000);
        expectNoticesStayAt(back == 0 ? 2 : 1);
    }

    // Destroyed in the quiet period after the re-arm that follows a replacement, it tells nothing.
    void noNoticeAfterDestruction()
    {
        QVERIFY(StatsFiles::replace(m_path, "{}"));
        for (const bool armed : {false, true}) {
            QVERIFY(QTest::qWaitFor([&] { return m_watcher->isArmed() == armed || m_notices > 0; }, 3000));
            if (m_notices > 0)
                QSKIP("held up past the stretch to destroy the watcher in");
        }
        m_watcher.reset();
        expectNoticesStayAt(0);
    }

private:
    void append() { QVERIFY(StatsFiles::write(m_path, "x", QIODevice::Append)); }

    // A notice that must not come has no event to wait for: only this waits a fixed time.
    void expectNoticesStayAt(int count)
    {
        QTest::qWait(3 * (StatsFileWatcher::rearmDelayMs + StatsFileWatcher::debounceMs));
        QCOMPARE(m_notices.load(), count);
    }

    QTemporaryDir m_dir;
    const QString m_path = m_dir.filePath(u"stats-cache.json"_s);
    qsizetype m_descriptors = 0;
    QElapsedTimer m_clock;
    std::atomic<int> m_notices = 0;
    std::atomic<qint64> m_lastNotice = 0;
    std::unique_ptr<StatsFileWatcher> m_watcher;
};

QTEST_GUILESS_MAIN(TestStatsFileWatcher)
#include "tst_statsfilewatcher.moc"
