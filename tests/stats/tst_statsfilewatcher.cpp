#include "stats/StatsFileWatcher.h"

#include "StatsFiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {
// When a deleted file comes back.
enum Return { AtOnce, AfterTheNotice, Never };
} // namespace

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
        // Writes spaced well inside the quiet period, so each restarts it. A
        // run held up for longer between two of them shows nothing.
        append();
        qint64 lastWrite = m_clock.elapsed();
        for (int i = 0; i < 2; ++i) {
            QTest::qWait(50);
            append();
            if (m_clock.elapsed() - lastWrite >= StatsFileWatcher::debounceMs)
                QSKIP("held up longer than the quiet period between two writes");
            lastWrite = m_clock.elapsed();
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 1, 3000);
        QVERIFY2(m_lastNotice - lastWrite >= StatsFileWatcher::debounceMs - 5, qPrintable(QString::number(m_lastNotice - lastWrite)));
        // Writes further apart than the quiet period are told one by one.
        append();
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 2, 3000);
        append();
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 3, 3000);
        expectNoticesStayAt(3);
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
        QTest::addColumn<int>("back"); // a Return
        QTest::addColumn<bool>("rearmed");
        QTest::newRow("back at once") << int(AtOnce) << true;
        QTest::newRow("back after the re-arm") << int(AfterTheNotice) << false;
        QTest::newRow("never back") << int(Never) << false;
    }

    void deleteRearmsOnlyOnAQuickReturn()
    {
        QFETCH(int, back);
        QFETCH(bool, rearmed);
        m_watcher->startWatching();
        const qint64 removed = m_clock.elapsed();
        QVERIFY(QFile::remove(m_path));
        if (back == AtOnce) {
            QVERIFY(StatsFiles::write(m_path, "{}"));
            if (m_clock.elapsed() - removed >= StatsFileWatcher::rearmDelayMs)
                QSKIP("held up past the re-arm between removing and writing the file");
        }
        // The owner is told once either way, so it re-reads; the re-arm came before.
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 1, 3000);
        if (back == AfterTheNotice)
            QVERIFY(StatsFiles::write(m_path, "{}"));
        QCOMPARE(m_watcher->isArmed(), rearmed);
        append();
        if (rearmed)
            QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 2, 3000);
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
        m_watcher->startWatching();
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

    void stopAndRestart()
    {
        m_watcher->stop(); // unarmed: harmless
        m_watcher->startWatching();
        m_watcher->stop();
        m_watcher->stop();
        QVERIFY(!m_watcher->isArmed());
        append();
        expectNoticesStayAt(0);
        // Restarting twice watches once: no doubled notices from an old arming.
        m_watcher->startWatching();
        m_watcher->startWatching();
        append();
        QTRY_COMPARE_WITH_TIMEOUT(m_notices.load(), 1, 3000);
        expectNoticesStayAt(1);
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

    // A notice that must not come has no later event to wait for, so only
    // these checks wait a fixed time: the re-arm and the quiet period several
    // times over.
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
