// The plan-usage fetch run thousands of times against a server that
// misbehaves in every way the network allows, through the real client and
// the view model: nothing may crash, hang, leak or publish a wrong value.
#include "model/StatsViewModel.h"
#include "usage/UsageAPIClient.h"

#include "FixedClock.h"
#include "LocalHttpsServer.h"
#include "StatsFiles.h"
#include "TestCertificates.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

extern "C" __attribute__((weak)) size_t __sanitizer_get_current_allocated_bytes();

namespace {

constexpr int cycles = 10000;
// In flight at once: no more than the six connections a manager opens per
// host, so none waits in its queue with its timer running.
constexpr int window = 6;
constexpr int batch = 250; // fetches between two idle moments
constexpr auto clientTimeout = 300ms; // the whole transfer

// The fault of each request, over and over. Stalls past the timeout are
// rare: each holds a connection for the whole timeout.
constexpr char schedule[] = "GGgG5GGdGGcGGG5GGGGdGgG5GGcGGG5GdGgGSGGGGcGGgG5GdG";

// Live heap: AddressSanitizer's count when it is linked in (its quarantine keeps freed memory resident), else glibc's.
qint64 heapInUse()
{
    if (&__sanitizer_get_current_allocated_bytes)
        return qint64(__sanitizer_get_current_allocated_bytes());
    const struct mallinfo2 heap = mallinfo2();
    return qint64(heap.uordblks + heap.hblkhd);
}

int openDescriptors()
{
    return int(QDir(u"/proc/self/fd"_s).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

} // namespace

class TestUsageFaults : public QObject
{
    Q_OBJECT

private slots:
    void thousandsOfFaultyFetches()
    {
        TestCertificates certificates;
        QVERIFY2(certificates.create(), qPrintable(certificates.error()));
        LocalHttpsServer server(certificates);
        QVERIFY(server.listen());
        QList<qint64> goodSent;
        // Every body names its request, so a wrongly accepted reply shows which.
        server.setHandler([&](const LocalHttpsServer::Request&, int index) -> LocalHttpsServer::Reply {
            const QByteArray body = R"({"five_hour":{"utilization":)" + QByteArray::number(index)
                + R"(,"resets_at":"2025-11-04T04:59:59.943648+00:00"},"seven_day":null,"iguana_necktie":null})";
            const QByteArray half = body.left(body.size() / 2);
            switch (schedule[index % (sizeof schedule - 1)]) {
            case 'g': return {.body = half};                // garbage: half a reply
            case '5': return {.status = 500, .body = body}; // a server error
            case 'S': return {.status = 0};                 // a stall: no answer at all
            case 'd': return {.status = 0, .hangUp = true}; // dropped instead of answered
            case 'c': // dropped after half the body
                return {.body = half, .headers = "Content-Length: " + QByteArray::number(body.size()), .hangUp = true};
            }
            goodSent.append(index);
            return {.body = body};
        });
        QTemporaryDir dir;
        const QString credentials = dir.filePath(u"credentials.json"_s);
        QVERIFY(StatsFiles::write(credentials, R"({"claudeAiOauth":{"accessToken":"t"}})"));
        auto clock = std::make_shared<FixedClock>(QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
        // No statistics file: only the usage changes.
        StatsViewModel vm({.clock = clock,
                           .statsPath = dir.filePath(u"stats-cache.json"_s),
                           .usageSource = std::make_shared<UsageAPIClient>(UsageAPIClient::Options{
                               server.url(), credentials, certificates.ca().toPem(), 1s, clientTimeout, clock})});

        // Keeps `window` fetches in flight until `target` have completed, and
        // lets each batch drain: like the real poll, the client is idle now and
        // then. A plain event loop: QTest's waiting helpers sleep between turns.
        int target = 0, started = 0, completed = 0;
        QList<qint64> received; // the requests whose replies came back
        QEventLoop loop;
        const auto topUp = [&] {
            while (started < target && started - completed < window && (started % batch || started == completed)) {
                ++started;
                vm.refreshUsage();
            }
        };
        // The view model publishes every outcome, then stamps the refresh
        // time; the clock moves on after each stamp, so the next is new.
        connect(&vm, &StatsViewModel::changed, this, [&] {
            if (vm.lastRefresh() != clock->now())
                return;
            clock->advance(1);
            ++completed;
            if (vm.usage())
                received.append(vm.sessionPercent().value_or(-1));
            topUp();
            if (completed == target)
                loop.quit();
        });
        const auto runUntil = [&](int count) {
            target = count;
            topUp();
            QTimer::singleShot(150s, &loop, [&] { loop.exit(1); });
            QVERIFY2(loop.exec() == 0, qPrintable(u"%1 of %2 fetches completed"_s.arg(completed).arg(count)));
            // Every connection closed by the server and released by the client.
            server.closeAllConnections();
            QTRY_COMPARE_WITH_TIMEOUT(server.openConnections(), 0, 10000);
            QTest::qWait(100);
        };

        runUntil(cycles / 10); // warm-up: caches and pools reach their working size
        const int descriptorsBefore = openDescriptors();
        const qint64 heapBefore = heapInUse();
        const int handshakesBefore = server.handshakes();
        runUntil(cycles);
        QTRY_VERIFY_WITH_TIMEOUT(openDescriptors() <= descriptorsBefore, 5000);
        const qint64 growth = heapInUse() - heapBefore;
        qInfo("%d fetches, %d replies; %d requests; heap growth %lld KiB over %d TLS handshakes", completed,
              int(received.size()), server.requests(), growth / 1024, server.handshakes() - handshakesBefore);

        QCOMPARE(completed, cycles);
        // Every good reply arrived, once, and nothing else did.
        std::sort(received.begin(), received.end());
        QCOMPARE(received, goodSent);
        // The manager's connection keeps the TLS state of every reconnection
        // (kilobytes each) while polls keep it in use; the client must let it
        // go now and then.
        QVERIFY2(growth < 4 << 20, qPrintable(u"grew by %1 KiB"_s.arg(growth / 1024)));
    }
};

QTEST_GUILESS_MAIN(TestUsageFaults)
#include "tst_usagefaults.moc"
