#include "stats/StatsFileWatcher.h"

#include "StatsFiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <memory>

using namespace Qt::Literals::StringLiterals;

class TestStatsFileWatcher : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(u"stats-cache.json"_s);
        QVERIFY(StatsFiles::write(m_path, "{}"));
        m_notices = 0;
        m_clock.start();
        m_watcher = makeWatcher();
    }

    void cleanup() { m_watcher.reset(); }

    void burstsGiveOneTrailingNotice()
    {
        m_watcher->startWatching();
        for (int i = 0; i < 3; ++i) {
            QTest::qWait(50);
            append();
        }
        const qint64 lastWrite = m_clock.elapsed();
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 1, 3000);
        QVERIFY2(m_lastNotice - lastWrite >= StatsFileWatcher::debounceMs - 5, qPrintable(QString::number(m_lastNotice - lastWrite)));
        // Writes further apart than the quiet period are told one by one.
        append();
        QTest::qWait(300);
        append();
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 3, 3000);
        QTest::qWait(400);
        QCOMPARE(m_notices.load(), 3);
    }

    void followsReplacementByRename_data()
    {
        QTest::addColumn<bool>("heldOpen");
        QTest::newRow("old file closed") << false;
        // The old file lives on while open: it reports only that it lost its
        // name, and its deletion waits for the last close.
        QTest::newRow("old file held open by a reader") << true;
    }

    // Claude Code's way of saving: every replacement is noticed about 0.3 s
    // later, and the new file is the one watched from then on.
    void followsReplacementByRename()
    {
        QFETCH(bool, heldOpen);
        m_watcher->startWatching();
        for (int round = 1; round <= 2; ++round) {
            QFile reader(m_path);
            if (heldOpen)
                QVERIFY(reader.open(QIODevice::ReadOnly));
            const qint64 replaced = m_clock.elapsed();
            QVERIFY(StatsFiles::replace(m_path, "{}"));
            QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 2 * round - 1, 3000);
            QVERIFY(m_lastNotice - replaced >= StatsFileWatcher::rearmDelayMs + StatsFileWatcher::debounceMs - 5);
            QVERIFY(m_watcher->isArmed());
            append();
            QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 2 * round, 3000);
        }
    }

    void deleteRearmsOnlyOnAQuickReturn_data()
    {
        QTest::addColumn<int>("recreateAfterMs"); // -1: never
        QTest::addColumn<bool>("rearmed");
        QTest::newRow("back within 0.1 s") << 20 << true;
        QTest::newRow("back after the re-arm") << 250 << false;
        QTest::newRow("never back") << -1 << false;
    }

    void deleteRearmsOnlyOnAQuickReturn()
    {
        QFETCH(int, recreateAfterMs);
        QFETCH(bool, rearmed);
        m_watcher->startWatching();
        QVERIFY(QFile::remove(m_path));
        if (recreateAfterMs >= 0) {
            QTest::qWait(recreateAfterMs);
            QVERIFY(StatsFiles::write(m_path, "{}"));
        }
        // The owner is told once either way, so it re-reads.
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 1, 3000);
        QCOMPARE(m_watcher->isArmed(), rearmed);
        append();
        QTest::qWait(600);
        QCOMPARE(m_notices.load(), rearmed ? 2 : 1);
    }

    void noNoticeAfterDestruction_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::newRow("debounce pending") << false;
        QTest::newRow("re-arm pending") << true;
    }

    void noNoticeAfterDestruction()
    {
        QFETCH(bool, replace);
        m_watcher->startWatching();
        if (replace)
            QVERIFY(StatsFiles::replace(m_path, "{}"));
        else
            append();
        QTest::qWait(50);
        m_watcher.reset();
        QTest::qWait(600);
        QCOMPARE(m_notices.load(), 0);
    }

    void stopAndRestart()
    {
        m_watcher->stop(); // unarmed: harmless
        m_watcher->startWatching();
        m_watcher->stop();
        m_watcher->stop();
        QVERIFY(!m_watcher->isArmed());
        append();
        QTest::qWait(500);
        QCOMPARE(m_notices.load(), 0);
        // Restarting twice watches once: no doubled notices from an old arming.
        m_watcher->startWatching();
        m_watcher->startWatching();
        append();
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 1, 3000);
        QTest::qWait(400);
        QCOMPARE(m_notices.load(), 1);
    }

private:
    std::unique_ptr<StatsFileWatcher> makeWatcher()
    {
        // Called back on the watcher's own thread.
        return std::make_unique<StatsFileWatcher>(
            [this] {
                m_lastNotice = m_clock.elapsed();
                ++m_notices;
            },
            m_path);
    }

    void append() { QVERIFY(StatsFiles::write(m_path, "x", QIODevice::Append)); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    QElapsedTimer m_clock;
    std::atomic<int> m_notices = 0;
    std::atomic<qint64> m_lastNotice = 0;
    std::unique_ptr<StatsFileWatcher> m_watcher;
};

QTEST_GUILESS_MAIN(TestStatsFileWatcher)
#include "tst_statsfilewatcher.moc"
