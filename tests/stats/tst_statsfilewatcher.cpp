#include "stats/StatsFileWatcher.h"

#include "StatsFiles.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

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
        // Called back on the watcher's own thread.
        m_watcher = std::make_unique<StatsFileWatcher>([this] {
            m_lastNotice = m_clock.elapsed();
            ++m_notices;
        }, m_path);
        m_watcher->startWatching();
    }

    void cleanup() { m_watcher.reset(); }

    void burstsGiveOneTrailingNotice()
    {
        // Writes spaced well inside the quiet period, so each restarts it. A
        // run held up for longer between two of them shows nothing.
        qint64 lastWrite = -1;
        for (int i = 0; i < 3; ++i) {
            if (i)
                QTest::qWait(50);
            append();
            if (i && m_clock.elapsed() - lastWrite >= StatsFileWatcher::debounceMs)
                QSKIP("held up longer than the quiet period between two writes");
            lastWrite = m_clock.elapsed();
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 1, 3000);
        QVERIFY(m_lastNotice - lastWrite >= StatsFileWatcher::debounceMs - 5);
        // A write after the quiet period is told on its own.
        append();
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 2, 3000);
        expectNoticesStayAt(2);
    }

    void followsReplacementByRename_data()
    {
        QTest::addColumn<bool>("heldOpen");
        QTest::newRow("old file closed") << false;
        // The old file lives on while open: it reports only that it lost its
        // name, and its deletion waits for the last close.
        QTest::newRow("old file held open by a reader") << true;
    }

    // Claude Code's way of saving: every replacement is noticed after the
    // re-arm and the quiet period, and the new file is watched from then on.
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

    void deleteRearmsOnlyOnAQuickReturn_data()
    {
        QTest::addColumn<int>("back"); // 0: at once, 1: after the notice, 2: never
        QTest::addColumn<bool>("rearmed");
        QTest::newRow("back at once") << 0 << true;
        QTest::newRow("back after the re-arm") << 1 << false;
        QTest::newRow("never back") << 2 << false;
    }

    void deleteRearmsOnlyOnAQuickReturn()
    {
        QFETCH(int, back);
        QFETCH(bool, rearmed);
        const qint64 removed = m_clock.elapsed();
        QVERIFY(QFile::remove(m_path));
        if (back == 0) {
            QVERIFY(StatsFiles::write(m_path, "{}"));
            if (m_clock.elapsed() - removed >= StatsFileWatcher::rearmDelayMs)
                QSKIP("held up past the re-arm between removing and writing the file");
        }
        // The owner is told once either way, so it re-reads; the re-arm came before.
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 1, 3000);
        QVERIFY(back != 1 || StatsFiles::write(m_path, "{}"));
        QCOMPARE(m_watcher->isArmed(), rearmed);
        append();
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), rearmed ? 2 : 1, 3000);
        expectNoticesStayAt(rearmed ? 2 : 1);
    }

    void noNoticeAfterDestruction_data()
    {
        QTest::addColumn<bool>("rearmed");
        QTest::newRow("re-arm pending") << false;
        QTest::newRow("quiet period pending") << true;
    }

    // A replacement unarms the watcher until the re-arm, which starts the
    // quiet period: destroyed in either stretch, the watcher tells nothing.
    void noNoticeAfterDestruction()
    {
        QFETCH(bool, rearmed);
        QVERIFY(StatsFiles::replace(m_path, "{}"));
        for (const bool armed : rearmed ? QList{false, true} : QList{false}) {
            // A notice first means the stretch was missed while held up.
            QVERIFY(QTest::qWaitFor([&] { return m_watcher->isArmed() == armed || m_notices > 0; }, 3000));
            if (m_notices > 0)
                QSKIP("held up past the stretch to destroy the watcher in");
        }
        m_watcher.reset();
        expectNoticesStayAt(0);
    }

private:
    void append() { QVERIFY(StatsFiles::write(m_path, "x", QIODevice::Append)); }

    // A notice that must not come has no later event to wait for, so only
    // this waits a fixed time: the re-arm and the quiet period several times over.
    void expectNoticesStayAt(int count)
    {
        QTest::qWait(3 * (StatsFileWatcher::rearmDelayMs + StatsFileWatcher::debounceMs));
        QCOMPARE(m_notices.load(), count);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    QElapsedTimer m_clock;
    std::atomic<int> m_notices = 0;
    std::atomic<qint64> m_lastNotice = 0;
    std::unique_ptr<StatsFileWatcher> m_watcher;
};

QTEST_GUILESS_MAIN(TestStatsFileWatcher)
#include "tst_statsfilewatcher.moc"
