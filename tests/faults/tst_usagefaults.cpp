// The plan-usage fetch run thousands of times against a server that
// misbehaves in every way the network allows, through the real client and
// the view model: nothing may crash, hang, leak or publish a wrong value.
#include "model/StatsViewModel.h"
#include "usage/UsageAPIClient.h"

#include "FaultyUsageServer.h"
#include "TestCertificates.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OSTREL_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define OSTREL_ASAN 1
#endif
#ifdef OSTREL_ASAN
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Fault = FaultyUsageServer::Fault;

namespace {

constexpr int cycles = 10000;
constexpr int warmUpCycles = cycles / 10;
// Fetches in flight at once: no more than the six connections a manager
// opens per host, so none waits in its queue with its timer running.
constexpr int window = 6;
constexpr int batch = 250; // fetches between two idle moments
constexpr auto clientTimeout = 200ms;
// Growth allowed between the end of the warm-up and the end of the run.
constexpr qint64 memoryBound = 4 << 20;

int openDescriptors()
{
    return int(QDir(u"/proc/self/fd"_s).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

// Live heap under AddressSanitizer (its quarantine keeps freed memory
// resident on purpose), resident memory otherwise.
qint64 memoryInUse()
{
#ifdef OSTREL_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : -1;
#endif
}

// Stands between the view model and the real client, and after every
// completion checks that the view model published exactly what came back.
class CheckingSource final : public UsageSource
{
public:
    CheckingSource(std::shared_ptr<UsageAPIClient> client, const StatsViewModel* const* viewModel)
        : m_client(std::move(client))
        , m_viewModel(viewModel)
    {
    }

    void fetchUsage(Completion done) override
    {
        ++started;
        m_client->fetchUsage([this, done = std::move(done)](std::optional<UsageResponse> reply) {
            const std::optional<UsageResponse> outcome = reply;
            done(std::move(reply));
            ++completed;
            if ((*m_viewModel)->usage() != outcome)
                ++mispublished;
            if (!outcome) {
                ++absent;
            } else if (!outcome->fiveHour || !outcome->fiveHour->utilization) {
                ++unnamed;
            } else {
                const int id = int(*outcome->fiveHour->utilization);
                if (!FaultyUsageServer::isGood(FaultyUsageServer::faultOf(id)))
                    badAccepted.append(id);
                if (presentIds.contains(id))
                    ++duplicates;
                presentIds.insert(id);
            }
            if (afterCompletion)
                afterCompletion();
        });
    }

    int started = 0;
    int completed = 0;
    int absent = 0;
    int mispublished = 0;
    int unnamed = 0;
    int duplicates = 0;
    QSet<int> presentIds;
    QList<int> badAccepted;
    std::function<void()> afterCompletion;

private:
    std::shared_ptr<UsageAPIClient> m_client;
    const StatsViewModel* const* m_viewModel;
};

} // namespace

class TestUsageFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_certificates.create(), qPrintable(m_certificates.error())); }

    void thousandsOfFaultyFetches()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString credentials = dir.filePath(u"credentials.json"_s);
        {
            QFile file(credentials);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(R"({"claudeAiOauth":{"accessToken":"fault-test-token"}})");
        }

        FaultyUsageServer server(m_certificates, clientTimeout);
        QVERIFY(server.listen());

        UsageAPIClient::Options options;
        options.endpoint = server.url();
        options.credentialsPath = credentials;
        options.extraCaCertificates = {m_certificates.ca()};
        options.transferTimeout = clientTimeout;

        const StatsViewModel* viewModel = nullptr;
        auto source = std::make_shared<CheckingSource>(std::make_shared<UsageAPIClient>(options), &viewModel);
        StatsViewModel::Dependencies dependencies;
        dependencies.statsPath = dir.filePath(u"stats-cache.json"_s); // absent: only usage changes
        dependencies.usageSource = source;
        StatsViewModel vm(dependencies);
        viewModel = &vm;

        // Keeps `window` fetches in flight until `target` have completed,
        // letting each batch drain first: like the real 5-second poll, the
        // client is idle now and then. A plain event loop: QTest's waiting
        // helpers sleep between turns.
        int target = 0;
        QEventLoop loop;
        source->afterCompletion = [&] {
            const bool batchOpen = source->started % batch != 0 || source->started == source->completed;
            while (batchOpen && source->started < target && source->started - source->completed < window) {
                vm.refreshUsage();
                if (source->started % batch == 0)
                    break;
            }
            if (source->completed >= target)
                loop.quit();
        };
        const auto runUntil = [&](int count) {
            target = count;
            QTimer::singleShot(0, &loop, source->afterCompletion);
            QTimer guard;
            guard.setSingleShot(true);
            connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
            guard.start(150s);
            loop.exec();
            return source->completed >= count;
        };
        // Every connection closed by the server and released by the client.
        const auto quiesce = [&] {
            server.closeAllConnections();
            QTRY_COMPARE_WITH_TIMEOUT(server.openConnections(), 0, 10000);
            QTest::qWait(100);
        };

        QElapsedTimer clock;
        clock.start();
        QVERIFY(runUntil(warmUpCycles));
        quiesce();
        const int descriptorsBefore = openDescriptors();
        const qint64 memoryBefore = memoryInUse();
        const int handshakesBefore = server.handshakes();

        QVERIFY2(runUntil(cycles), qPrintable(u"%1 of %2 fetches completed"_s.arg(source->completed).arg(cycles)));
        const qint64 elapsed = clock.elapsed();
        quiesce();
        QTRY_VERIFY_WITH_TIMEOUT(openDescriptors() <= descriptorsBefore, 5000);
        const qint64 memoryAfter = memoryInUse();
        qInfo("%d fetches in %lld ms (%.0f/s): %d present, %d absent; server saw %d requests, %d TLS handshakes",
              source->completed, elapsed, source->completed * 1000.0 / qMax<qint64>(elapsed, 1),
              int(source->presentIds.size()), source->absent, server.requests(), server.handshakes());
        for (int kind = 0; kind < FaultyUsageServer::faultKinds; ++kind)
            qInfo("  fault %d: %d requests", kind, server.requestsWith(Fault(kind)));
#ifdef OSTREL_ASAN
        const char* measure = "live heap";
#else
        const char* measure = "resident memory";
#endif
        qInfo("%s after warm-up %.2f MiB, at the end %.2f MiB; descriptors %d, at the end %d", measure,
              memoryBefore / 1048576.0, memoryAfter / 1048576.0, descriptorsBefore, openDescriptors());

        // Every fetch called back exactly once, and the view model published
        // exactly that outcome each time.
        QCOMPARE(source->started, cycles);
        QCOMPARE(source->completed, cycles);
        QCOMPARE(source->mispublished, 0);
        QCOMPARE(source->unnamed, 0);
        QCOMPARE(source->duplicates, 0);
        // No bad reply was ever taken for a good one...
        QVERIFY2(source->badAccepted.isEmpty(),
                 qPrintable(u"accepted bad replies, first: request %1"_s.arg(source->badAccepted.value(0))));
        // ...and every good reply the server sent reached the view model.
        const int goodSent = server.requestsWith(Fault::Good) + server.requestsWith(Fault::ShortStall);
        QCOMPARE(int(source->presentIds.size()), goodSent);
        QCOMPARE(source->absent, cycles - goodSent);
        // The run met every kind of fault, timeouts included.
        for (int kind = 0; kind < FaultyUsageServer::faultKinds; ++kind)
            QVERIFY2(server.requestsWith(Fault(kind)) > 0, qPrintable(QString::number(kind)));

        const qint64 growth = memoryAfter - memoryBefore;
        const int reconnections = server.handshakes() - handshakesBefore;
        qInfo("grew by %lld KiB over %d new TLS connections (%.1f KiB each)", growth / 1024, reconnections,
              growth / 1024.0 / qMax(reconnections, 1));
        // The manager's HTTP connection keeps the TLS state of every
        // reconnection (about 7 KiB here) while polls keep it in use; the
        // client must let it go now and then.
        QVERIFY2(growth < memoryBound, qPrintable(u"grew by %1 KiB"_s.arg(growth / 1024)));
    }

private:
    TestCertificates m_certificates;
};

QTEST_GUILESS_MAIN(TestUsageFaults)
#include "tst_usagefaults.moc"
