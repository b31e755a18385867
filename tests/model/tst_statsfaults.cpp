// The statistics file rewritten over and over while the view model runs, the
// way Claude Code does it (a temporary file renamed over the real one).
#include "model/StatsViewModel.h"

#include "FakeUsageSource.h"
#include "StatsFiles.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Every generation is internally consistent: n sessions, 2n messages and n
// days. A torn or mixed read could not satisfy all three.
QByteArray generation(int n)
{
    QByteArray days;
    for (int d = 0; d < n % 50 + 1; ++d) {
        days += (d ? "," : "") + QByteArray(R"({"date":"2025-01-)") + QByteArray::number(d % 28 + 10)
            + R"(","messageCount":1,"sessionCount":1,"toolCallCount":1})";
    }
    return R"({"version":5,"lastComputedDate":"2025-01-05","dailyActivity":[)" + days
        + R"(],"dailyModelTokens":[],"modelUsage":{},"totalSessions":)" + QByteArray::number(n)
        + R"(,"totalMessages":)" + QByteArray::number(2 * n) + "}";
}

bool consistent(const StatsCache& stats)
{
    const qint64 n = stats.totalSessions;
    return stats.totalMessages == 2 * n && stats.dailyActivity.size() == n % 50 + 1;
}

int openDescriptors()
{
    return int(QDir(u"/proc/self/fd"_s).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

} // namespace

class TestStatsFaults : public QObject
{
    Q_OBJECT

private slots:
    void thousandReplacementsWhileRunning()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"stats-cache.json"_s);
        // Now and then the file is rewritten in place in two halves, so that a
        // read can catch it torn: that must give no statistics, never wrong ones.
        const auto rewriteInPlace = [&path](int n) {
            const QByteArray content = generation(n);
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                qFatal("cannot write the test file");
            file.write(content.left(content.size() / 2));
            file.flush();
            QThread::usleep(2000);
            file.write(content.mid(content.size() / 2));
        };
        const auto replace = [&path](int n) {
            if (!StatsFiles::replace(path, generation(n)))
                qFatal("cannot replace the test file");
        };
        replace(0);
        const int descriptorsBefore = openDescriptors();

        {
            StatsViewModel::Dependencies deps;
            deps.statsPath = path;
            deps.usageSource = std::make_shared<FakeUsageSource>();
            // Re-read far more often than in real life, so reads land in the
            // middle of the writer's work.
            deps.pollingInterval = 15ms;
            deps.usageInterval = 1h;
            StatsViewModel vm(deps);
            int published = 0;
            int broken = 0;
            connect(&vm, &StatsViewModel::changed, &vm, [&] {
                if (!vm.stats())
                    return;
                ++published;
                if (!consistent(*vm.stats()))
                    ++broken;
            });
            vm.start();

            std::atomic<bool> done = false;
            QThread* writer = QThread::create([&] {
                auto* random = QRandomGenerator::global();
                for (int n = 1; n <= 1000; ++n) {
                    if (n % 10 == 5)
                        rewriteInPlace(n);
                    else
                        replace(n);
                    QThread::usleep(random->bounded(3000));
                }
                done = true;
            });
            writer->start();
            while (!done)
                QTest::qWait(20);
            writer->wait();
            delete writer;

            // The watcher is still following: the last file shows up soon,
            // and so does one written after the storm.
            QTRY_COMPARE_WITH_TIMEOUT(vm.stats() ? vm.stats()->totalSessions : -1, qint64(1000), 5000);
            replace(1001);
            QTRY_COMPARE_WITH_TIMEOUT(vm.stats() ? vm.stats()->totalSessions : -1, qint64(1001), 5000);
            QVERIFY2(published > 20, qPrintable(QString::number(published)));
            QCOMPARE(broken, 0);
        }

        // Watcher thread, inotify instance and timers are all gone again.
        QTRY_COMPARE(openDescriptors(), descriptorsBefore);
    }
};

QTEST_GUILESS_MAIN(TestStatsFaults)
#include "tst_statsfaults.moc"
