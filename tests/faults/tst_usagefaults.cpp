// Ten thousand plan-usage fetches through the real client and the view model,
// against a server that misbehaves every way the network allows and rate-limits
// in storms: nothing may crash, hang or grow, no figures may be wrong, and no
// request may go out inside a wait the service announced.
#include "model/StatsViewModel.h"
#include "usage/UsageAPIClient.h"

#include "FixedClock.h"
#include "LocalHttpsServer.h"
#include "StatsFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Outcome = UsageFetch::Outcome;
using Reply = LocalHttpsServer::Reply;

extern "C" __attribute__((weak)) size_t __sanitizer_get_current_allocated_bytes();

namespace {

// The answer to each request, over and over. G: a good reply; g: half of one;
// 5: a 500; S: none (holds a connection until the deadline); d: dropped; c:
// dropped mid-body. 4: 429 without Retry-After; z: with 0; r: with 30 s; p:
// with a date past; f: with a date 45 s ahead; h: with two hours; 3: 503 with 20 s.
constexpr char schedule[] = "GGgG5GGdGG44444GGcGGG5GGrGGzzzzGGdGgGSGGppppGGcGG3GGffGGhGGgG5GdG4z4p";

// Live heap: AddressSanitizer's count when it is linked in (its quarantine keeps freed memory resident), else glibc's.
qint64 heapInUse()
{
    if (&__sanitizer_get_current_allocated_bytes)
        return qint64(__sanitizer_get_current_allocated_bytes());
    const struct mallinfo2 heap = mallinfo2();
    return qint64(heap.uordblks + heap.hblkhd);
}

qsizetype openDescriptors()
{
    return QDir(u"/proc/self/fd"_s).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size();
}

// Between the view model and the real client: sees every fetch start, and
// every outcome before and after the view model takes it.
struct Relay final : UsageSource
{
    std::shared_ptr<UsageSource> client;
    std::function<void()> onStart;
    std::function<void(const UsageFetch&, const std::function<void()>& publish)> onDone;

    void fetchUsage(Completion done) override
    {
        onStart();
        client->fetchUsage([this, done = std::move(done)](UsageFetch fetch) { onDone(fetch, [&] { done(fetch); }); });
    }
};

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
        auto clock = std::make_shared<FixedClock>(QDateTime(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC));
        QList<qint64> goodSent;
        // Every body names its request, so a wrongly accepted reply shows which.
        server.setHandler([&](const LocalHttpsServer::Request&, int index) -> Reply {
            const QByteArray body = R"({"five_hour":{"utilization":)" + QByteArray::number(index) + "}}";
            const auto limited = [](const QByteArray& retryAfter, int status = 429) {
                const QByteArray field = retryAfter.isNull() ? QByteArray() : "\r\nRetry-After: " + retryAfter;
                return Reply{.status = status, .body = "{}", .headers = "Content-Length: 2" + field};
            };
            const auto date = [&](qint64 ahead) {
                return clock->now().addSecs(ahead).toString(u"ddd, dd MMM yyyy hh:mm:ss 'GMT'"_s).toLatin1();
            };
            switch (schedule[index % (sizeof schedule - 1)]) {
            case 'g': return {.body = body.left(10)};
            case '5': return {.status = 500, .body = body};
            case 'S': return {.status = 0};
            case 'd': return {.status = 0, .hangUp = true};
            case 'c': return {.body = body.left(10), .headers = "Content-Length: 99", .hangUp = true};
            case '4': return limited({});
            case 'z': return limited("0");
            case 'r': return limited("30");
            case 'p': return limited(date(-600));
            case 'f': return limited(date(45));
            case 'h': return limited("7200");
            case '3': return limited("20", 503);
            }
            goodSent.append(index);
            return {.body = body};
        });
        QTemporaryDir dir;
        const QString credentials = dir.filePath(u"credentials.json"_s);
        QVERIFY(StatsFiles::write(credentials, R"({"claudeAiOauth":{"accessToken":"t"}})"));
        auto relay = std::make_shared<Relay>();
        relay->client = std::make_shared<UsageAPIClient>(
            UsageAPIClient::Options{server.url(), credentials, certificates.ca().toPem(), 1s, 300ms, clock});
        StatsViewModel vm({.clock = clock, .statsPath = dir.filePath(u"stats-cache.json"_s), .usageSource = relay});

        int target = 0, started = 0, completed = 0, sentInsideAWait = 0, wrongFigures = 0, keptAcross429 = 0;
        QDateTime earliestAllowed = clock->now(); // what the service announced
        QList<qint64> received;                   // the requests whose replies came back
        QEventLoop loop;
        // Six fetches in flight until `target` have completed, each 250 let
        // drain, as between real polls; while the view model holds requests
        // back, time passes.
        const auto topUp = [&] {
            while (started < target && started - completed < 6 && (started % 250 || started == completed)) {
                const int before = started;
                vm.refreshUsage();
                if (started == before)
                    clock->advance(1);
            }
        };
        relay->onStart = [&] { ++started; sentInsideAWait += clock->now() < earliestAllowed; };
        relay->onDone = [&](const UsageFetch& fetch, const std::function<void()>& publish) {
            const std::optional<UsageResponse> before = vm.usage();
            publish();
            // At least the first backoff when a 429 names no usable wait.
            const qint64 wait = fetch.outcome == Outcome::RateLimited || fetch.httpStatus == 503
                ? std::min<qint64>(fetch.retryAfter.value_or(0s).count(), 3600) : 0;
            const qint64 least = fetch.outcome == Outcome::RateLimited && wait == 0 ? 10 : wait;
            earliestAllowed = std::max(earliestAllowed, clock->now().addSecs(least));
            if (fetch.outcome == Outcome::Ok)
                received.append(qint64(*fetch.reply->fiveHour->utilization));
            keptAcross429 += fetch.outcome == Outcome::RateLimited && before;
            wrongFigures += vm.usage() != (fetch.outcome == Outcome::Ok ? fetch.reply
                                           : fetch.outcome == Outcome::RateLimited ? before : std::nullopt);
            clock->advance(1);
            ++completed;
            topUp();
            if (completed == target)
                loop.quit();
        };
        const auto runUntil = [&](int count) {
            target = count;
            topUp();
            QTimer::singleShot(150s, &loop, [&] { loop.exit(1); });
            QVERIFY2(loop.exec() == 0, qPrintable(u"%1 of %2 fetches completed"_s.arg(completed).arg(count)));
            server.closeAllConnections(); // and the client releases its end
            QTRY_COMPARE_WITH_TIMEOUT(server.openConnections(), 0, 10000);
        };

        runUntil(1000); // warm-up: caches and pools reach their working size
        const qsizetype descriptorsBefore = openDescriptors();
        const qint64 heapBefore = heapInUse();
        runUntil(10000);
        // Connections the server closed stay in curl's cache (up to six) until its next transfer finds them closed.
        QTRY_VERIFY_WITH_TIMEOUT(openDescriptors() <= descriptorsBefore + 6, 5000);
        const qint64 growth = heapInUse() - heapBefore;
        qInfo("%d replies, %d requests, %d 429s kept figures, heap growth %lld KiB", int(received.size()),
              server.requests(), keptAcross429, growth / 1024);
        QCOMPARE(sentInsideAWait, 0);
        QCOMPARE(wrongFigures, 0);
        QVERIFY(keptAcross429 > 100);
        std::sort(received.begin(), received.end()); // every good reply arrived, once, and nothing else did
        QCOMPARE(received, goodSent);
        QVERIFY2(growth < 4 << 20, qPrintable(u"grew by %1 KiB"_s.arg(growth / 1024)));
    }
};

QTEST_GUILESS_MAIN(TestUsageFaults)
#include "tst_usagefaults.moc"
