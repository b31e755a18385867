// The statistics file rewritten a thousand times while the view model runs.
#include "model/StatsViewModel.h"

#include "FakeUsageSource.h"
#include "StatsFiles.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Generation n has n sessions, 2n messages and n % 50 + 1 days: a torn or
// mixed read could not satisfy all three.
QByteArray generation(int n)
{
    QByteArray days;
    for (int d = 0; d <= n % 50; ++d)
        days += (d ? "," : "") + QByteArray(R"({"date":"2025-01-05","messageCount":1,"sessionCount":1,"toolCallCount":1})");
    return R"({"version":5,"lastComputedDate":"x","dailyActivity":[)" + days + R"(],"dailyModelTokens":[],"modelUsage":{},)"
        + "\"totalSessions\":" + QByteArray::number(n) + ",\"totalMessages\":" + QByteArray::number(2 * n) + "}";
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
    void thousandRewritesWhileRunning()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"stats-cache.json"_s);
        QVERIFY(StatsFiles::replace(path, generation(0)));
        const int descriptorsBefore = openDescriptors();
        {
            StatsViewModel::Dependencies deps;
            deps.statsPath = path;
            deps.usageSource = std::make_shared<FakeUsageSource>();
            deps.pollingInterval = 15ms; // re-read far more often than in real life
            deps.usageInterval = 1h;
            StatsViewModel vm(deps);
            int published = 0;
            int broken = 0;
            connect(&vm, &StatsViewModel::changed, &vm, [&] {
                if (const auto& stats = vm.stats()) {
                    ++published;
                    const qint64 n = stats->totalSessions;
                    broken += stats->totalMessages != 2 * n || stats->dailyActivity.size() != n % 50 + 1;
                }
            });
            vm.start();

            // Mostly replacements by rename; every tenth time an in-place
            // rewrite in two halves, which a read may catch torn: that must
            // give no statistics, never wrong ones.
            std::atomic<bool> done = false;
            std::unique_ptr<QThread> writer(QThread::create([&] {
                for (int n = 1; n <= 1000; ++n) {
                    const QByteArray content = generation(n);
                    if (n % 10 == 5) {
                        StatsFiles::write(path, content.left(content.size() / 2));
                        QThread::usleep(2000);
                        StatsFiles::write(path, content.mid(content.size() / 2), QIODevice::Append);
                    } else if (!StatsFiles::replace(path, content)) {
                        qFatal("cannot replace the test file");
                    }
                    QThread::usleep(QRandomGenerator::global()->bounded(3000));
                }
                done = true;
            }));
            writer->start();
            QTRY_VERIFY_WITH_TIMEOUT(done, 60000);
            writer->wait();

            // Still following: the last file shows, and so does one after the storm.
            QTRY_COMPARE_WITH_TIMEOUT(vm.stats() ? vm.stats()->totalSessions : -1, qint64(1000), 5000);
            QVERIFY(StatsFiles::replace(path, generation(1001)));
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
