#include "stats/StatsFileWatcher.h"

#include "StatsFiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// Collects the moments at which the watcher called back (on its own thread).
class Recorder
{
public:
    Recorder() { m_clock.start(); }

    std::function<void()> callback()
    {
        return [this] {
            QMutexLocker lock(&m_mutex);
            m_times.append(m_clock.elapsed());
        };
    }
    qint64 now() const { return m_clock.elapsed(); }
    QList<qint64> times() const
    {
        QMutexLocker lock(&m_mutex);
        return m_times;
    }
    qsizetype count() const { return times().size(); }

private:
    mutable QMutex m_mutex;
    QList<qint64> m_times;
    QElapsedTimer m_clock;
};

void writeFile(const QString& path, const QByteArray& content, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QVERIFY(StatsFiles::write(path, content, mode));
}

void replaceFile(const QString& path, const QByteArray& content)
{
    QVERIFY(StatsFiles::replace(path, content));
}

} // namespace

class TestStatsFileWatcher : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(u"stats-cache.json"_s);
        writeFile(m_path, "{}");
        m_recorder = std::make_unique<Recorder>();
        m_watcher = std::make_unique<StatsFileWatcher>(m_recorder->callback(), m_path);
    }

    void cleanup()
    {
        m_watcher.reset();
        m_recorder.reset();
        m_dir.reset();
    }

    void burstOfWritesGivesOneTrailingNotice()
    {
        m_watcher->startWatching();
        QVERIFY(m_watcher->isArmed());
        qint64 lastWrite = 0;
        for (int i = 0; i < 3; ++i) {
            if (i)
                QTest::qWait(50);
            writeFile(m_path, "more", QIODevice::Append);
            lastWrite = m_recorder->now();
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_recorder->count(), 1, 3000);
        QTest::qWait(400);
        QCOMPARE(m_recorder->count(), 1);
        const qint64 delay = m_recorder->times().first() - lastWrite;
        QVERIFY2(delay >= StatsFileWatcher::debounceMs - 5, qPrintable(QString::number(delay)));
    }

    void writesFarApartGiveOneNoticeEach()
    {
        m_watcher->startWatching();
        writeFile(m_path, "a", QIODevice::Append);
        QTest::qWait(300);
        writeFile(m_path, "b", QIODevice::Append);
        QTRY_COMPARE_WITH_TIMEOUT(m_recorder->count(), 2, 3000);
        QTest::qWait(400);
        QCOMPARE(m_recorder->count(), 2);
    }

    void followsReplacementByRename()
    {
        m_watcher->startWatching();
        for (int round = 1; round <= 3; ++round) {
            const qint64 replaced = m_recorder->now();
            replaceFile(m_path, "{\"round\":" + QByteArray::number(round) + "}");
            QTRY_COMPARE_WITH_TIMEOUT(m_recorder->count(), 2 * round - 1, 3000);
            // Re-armed after 0.1 s, then the 0.2 s quiet period.
            const qint64 delay = m_recorder->times().last() - replaced;
            QVERIFY2(delay >= StatsFileWatcher::rearmDelayMs + StatsFileWatcher::debounceMs - 5,
                     qPrintable(QString::number(delay)));
            QVERIFY(m_watcher->isArmed());
            // The new file is the one watched now.
            writeFile(m_path, " ", QIODevice::Append);
            QTRY_COMPARE_WITH_TIMEOUT(m_recorder->count(), 2 * round, 3000);
        }
    }

    void deleteAndQuickRecreateRearms()
    {
        m_watcher->startWatching();
        const qint64 deleted = m_recorder->now();
        QVERIFY(QFile::remove(m_path));
        QTest::qWait(20);
        writeFile(m_path, "{}");
        QTRY_COMPARE_WITH_TIMEOUT(m_recorder->count(), 1, 3000);
        QVERIFY(m_recorder->times().first() - deleted >= StatsFileWatcher::rearmDelayMs + StatsFileWatcher::debounceMs - 5);
        QVERIFY(m_watcher->isArmed());
        writeFile(m_path, "x", QIODevice::Append);
        QTRY_COMPARE_WITH_TIMEOUT(m_recorder->count(), 2, 3000);
    }

    void deleteWithoutQuickRecreateLeavesItUnarmed_data()
    {
        QTest::addColumn<int>("recreateAfterMs"); // -1: never
        QTest::newRow("never recreated") << -1;
        QTest::newRow("recreated after the re-arm") << 250;
    }

    void deleteWithoutQuickRecreateLeavesItUnarmed()
    {
        QFETCH(int, recreateAfterMs);
        m_watcher->startWatching();
        QVERIFY(QFile::remove(m_path));
        if (recreateAfterMs >= 0) {
            QTest::qWait(recreateAfterMs);
            writeFile(m_path, "{}");
        }
        // The owner is still told once, so it re-reads and finds no file.
        QTRY_COMPARE_WITH_TIMEOUT(m_recorder->count(), 1, 3000);
        QVERIFY(!m_watcher->isArmed());
        writeFile(m_path, "x", QIODevice::Append);
        QTest::qWait(600);
        QCOMPARE(m_recorder->count(), 1);
        // Only a new startWatching() arms it again.
        m_watcher->startWatching();
        QVERIFY(m_watcher->isArmed());
        writeFile(m_path, "y", QIODevice::Append);
        QTRY_COMPARE_WITH_TIMEOUT(m_recorder->count(), 2, 3000);
    }

    void missingFileLeavesItUnarmed()
    {
        QVERIFY(QFile::remove(m_path));
        m_watcher->startWatching();
        QVERIFY(!m_watcher->isArmed());
        writeFile(m_path, "{}");
        QTest::qWait(500);
        QCOMPARE(m_recorder->count(), 0);
    }

    void noNoticeAfterDestruction()
    {
        m_watcher->startWatching();
        writeFile(m_path, "x", QIODevice::Append);
        QTest::qWait(50); // the event is in, the notice pending
        m_watcher.reset();
        QTest::qWait(500);
        QCOMPARE(m_recorder->count(), 0);

        // Likewise with a re-arm pending after a replacement.
        m_watcher = std::make_unique<StatsFileWatcher>(m_recorder->callback(), m_path);
        m_watcher->startWatching();
        replaceFile(m_path, "{}");
        QTest::qWait(50);
        m_watcher.reset();
        QTest::qWait(600);
        QCOMPARE(m_recorder->count(), 0);
    }

    void stopIsHarmlessAndSilences()
    {
        m_watcher->stop(); // unarmed: nothing happens
        m_watcher->startWatching();
        m_watcher->stop();
        m_watcher->stop();
        QVERIFY(!m_watcher->isArmed());
        writeFile(m_path, "x", QIODevice::Append);
        QTest::qWait(500);
        QCOMPARE(m_recorder->count(), 0);
    }

    void restartWatchesOnce()
    {
        // Events of an earlier arming must neither double up nor disturb the new one.
        m_watcher->startWatching();
        m_watcher->startWatching();
        m_watcher->stop();
        m_watcher->startWatching();
        for (int i = 0; i < 2; ++i) {
            writeFile(m_path, "x", QIODevice::Append);
            QTRY_COMPARE_WITH_TIMEOUT(m_recorder->count(), i + 1, 3000);
            QTest::qWait(300);
            QCOMPARE(m_recorder->count(), i + 1);
        }
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    std::unique_ptr<Recorder> m_recorder;
    std::unique_ptr<StatsFileWatcher> m_watcher;
};

QTEST_GUILESS_MAIN(TestStatsFileWatcher)
#include "tst_statsfilewatcher.moc"
