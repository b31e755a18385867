// Against local servers: HTTP/1.1 scripted to misbehave, and HTTP/2 as the account service speaks it.
#include "usage/UsageAPIClient.h"

#include "model/StatsViewModel.h"

#include "FixedClock.h"
#include "Http2TestServer.h"
#include "StatsFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <malloc.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Outcome = UsageFetch::Outcome;
using Reply = LocalHttpsServer::Reply;

extern "C" __attribute__((weak)) size_t __sanitizer_get_current_allocated_bytes();

namespace {

const QByteArray realShapedReply = LocalHttpsServer::realShapedReply;
// The client's clock: sign-in expiry and Retry-After dates are judged by it.
const QDateTime clientNow(QDate(2026, 3, 2), QTime(9, 30), Qt::UTC);

// Fetches once and waits for the answer; a fetch that never calls back fails the test.
UsageFetch fetchOnce(UsageSource& source)
{
    auto answers = std::make_shared<QList<UsageFetch>>();
    source.fetchUsage([answers](UsageFetch fetch) { answers->append(std::move(fetch)); });
    if (!QTest::qWaitFor([&] { return !answers->isEmpty(); }, 20000))
        QTest::qFail("the fetch never called back", __FILE__, __LINE__);
    return answers->value(0);
}

// Answers in turn. G: good; g: half of one; 5: a 500; S: silence; d: dropped; c: dropped mid-body;
// 4: a 429, r: one with Retry-After 30; 3: a 503 with Retry-After 20.
constexpr char schedule[] = "GGgG5GGdGG44444GGcGGG5GGrGGGGdGgGSGGGGcGG3GGGGGgG5GdG4";

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

// Counts the fetches started, and sees every outcome before and after the view model takes it.
struct Relay final : UsageSource
{
    std::shared_ptr<UsageSource> client;
    int started = 0;
    std::function<void(const UsageFetch&, const std::function<void()>& publish)> onDone;

    void fetchUsage(Completion done) override
    {
        ++started;
        client->fetchUsage([this, done = std::move(done)](UsageFetch fetch) { onDone(fetch, [&] { done(fetch); }); });
    }
};

} // namespace

class TestUsageAPIClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_certificates.create(), qPrintable(m_certificates.error())); }

    void init()
    {
        m_clock->set(clientNow);
        QVERIFY(StatsFiles::write(m_credentials, R"({"claudeAiOauth":{"accessToken":"test-token"}})"));
        m_server = std::make_unique<LocalHttpsServer>(m_certificates);
        QVERIFY(m_server->listen());
    }

    // The exact request, twice on one connection, with the token as the file holds it at each fetch; without a
    // usable token, not even a connection.
    void request_data()
    {
        QTest::addColumn<QByteArray>("document");      // null: no credential file
        QTest::addColumn<QByteArray>("authorization"); // null: no request
        QTest::addColumn<Outcome>("outcome");
        const auto login = [](const QByteArray& token, std::optional<qint64> expiresIn = {}) {
            const QByteArray at = QByteArray::number(clientNow.toMSecsSinceEpoch() + expiresIn.value_or(0));
            return "{\"claudeAiOauth\":{\"accessToken\":\"" + token + '"' + (expiresIn ? ",\"expiresAt\":" + at : "") + "}}";
        };
        QTest::newRow("token") << login("test-token") << QByteArray("Authorization: Bearer test-token") << Outcome::Ok;
        QTest::newRow("expires a second from now") << login("t", 1000) << QByteArray("Authorization: Bearer t") << Outcome::Ok;
        QTest::newRow("expires this very moment") << login("t", 0) << QByteArray() << Outcome::SignInExpired;
        // It would split the request and smuggle in a field of its own.
        QTest::newRow("token with a line break") << login(R"(t\r\nX-Injected: 1)") << QByteArray() << Outcome::NoCredential;
        QTest::newRow("no credential file") << QByteArray() << QByteArray() << Outcome::NoCredential;
    }

    void request()
    {
        QFETCH(QByteArray, document);
        QFETCH(QByteArray, authorization);
        QFETCH(Outcome, outcome);
        QVERIFY(document.isNull() ? QFile::remove(m_credentials) : StatsFiles::write(m_credentials, document));
        // The first answer sets a cookie; the second request must not carry it.
        m_server->setHandler([](const LocalHttpsServer::Request&, int) {
            return Reply{.headers = "Content-Length: 2\r\nSet-Cookie: session=abc; Secure"};
        });
        auto client = makeClient(m_server->url());
        QCOMPARE(fetchOnce(*client).outcome, outcome);
        QVERIFY(document.isNull() || StatsFiles::write(m_credentials, document.replace(":\"", ":\"renewed-")));
        QCOMPARE(fetchOnce(*client).outcome, outcome);
        QCOMPARE(m_server->connections(), authorization.isNull() ? 0 : 1);
        if (authorization.isNull())
            return;
        QCOMPARE(m_server->requests(), 2);
        // Ours, in this order, and nothing else but the Host line HTTP/1.1 needs.
        QCOMPARE(m_server->lastRequest(),
                 (LocalHttpsServer::Request{"GET /api/oauth/usage HTTP/1.1", "Host: " + m_server->url().authority().toUtf8(),
                                            authorization.replace("Bearer ", "Bearer renewed-"), "anthropic-beta: oauth-2025-04-20", "Content-Type: application/json",
                                            "User-Agent: claude-code/2.0.32"}));
    }

    // Each answer maps to an outcome over either protocol, and the next fetch goes through.
    void replies_data()
    {
        QTest::addColumn<bool>("http2");
        QTest::addColumn<Reply>("answer");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<int>("retryAfter"); // seconds; -1: none reported
        const auto limited = [](const QByteArray& retryAfter, int status = 429) {
            return Reply{.status = status, .body = "{}", .headers = "Content-Length: 2\r\nRetry-After: " + retryAfter};
        };
        QTest::newRow("200") << false << Reply{.body = realShapedReply} << Outcome::Ok << -1;
        QTest::newRow("200 not a reply") << false << Reply{.body = "[]"} << Outcome::BadReply << -1;
        // Redirects included: followed, they would carry the token elsewhere.
        for (int status : {201, 204, 301, 302, 303, 307, 308, 401, 403, 500, 503})
            QTest::addRow("%d", status) << false << Reply{.status = status, .body = realShapedReply} << Outcome::Refused << -1;
        QTest::newRow("429 Retry-After date ahead")
            << false << limited("Mon, 02 Mar 2026 09:47:30 GMT") << Outcome::RateLimited << 1050;
        QTest::newRow("503 Retry-After 30") << false << limited("30", 503) << Outcome::Refused << 30;
        QTest::newRow("never answers") << false << Reply{.status = 0} << Outcome::NoConnection << -1;
        QTest::newRow("cut off mid-body") << false << Reply{.body = "{", .headers = "Content-Length: 9", .hangUp = true}
                                          << Outcome::NoConnection << -1;
        // The two oversized bodies never end: only abandoning them ends the fetch in time.
        const QByteArray atLimit = realShapedReply.leftJustified(UsageAPIClient::maxReplySize);
        QTest::newRow("exactly the size limit") << false << Reply{.body = atLimit} << Outcome::Ok << -1;
        QTest::newRow("one byte over, close-delimited")
            << false << Reply{.body = atLimit + ' ', .headers = "Connection: close"} << Outcome::BadReply << -1;
        QTest::newRow("64 MiB announced") << false << Reply{.headers = "Content-Length: 67108864"} << Outcome::BadReply << -1;
        QTest::newRow("endless header lines") << false << Reply{.kind = Reply::Kind::EndlessHeaders} << Outcome::BadReply << -1;
        // A byte every 100 ms keeps it from ever being idle: only the deadline ends it.
        QTest::newRow("trickle") << false << Reply{.body = "", .headers = "Content-Length: 999", .kind = Reply::Kind::Trickle}
                                 << Outcome::NoConnection << -1;
        QTest::newRow("h2 200") << true << Reply{.body = realShapedReply} << Outcome::Ok << -1;
        QTest::newRow("h2 429 retry-after") << true << limited("1022") << Outcome::RateLimited << 1022;
        QTest::newRow("h2 500") << true << Reply{.status = 500} << Outcome::Refused << -1;
        QTest::newRow("h2 reset stream") << true << Reply{.kind = Reply::Kind::ResetStream} << Outcome::NoConnection << -1;
        QTest::newRow("h2 GOAWAY") << true << Reply{.kind = Reply::Kind::GoAway} << Outcome::NoConnection << -1;
    }

    void replies()
    {
        QFETCH(bool, http2);
        QFETCH(Reply, answer);
        QFETCH(Outcome, outcome);
        QFETCH(int, retryAfter);
        if (http2) {
            m_server = std::make_unique<Http2TestServer>(m_certificates);
            QVERIFY(m_server->listen());
        }
        if (answer.status / 100 == 3) // followed, the redirect would meet a 200
            answer.headers = "Content-Length: 0\r\nLocation: " + m_server->url().toEncoded();
        m_server->setHandler([&](const LocalHttpsServer::Request&, int index) { return index ? Reply{} : answer; });
        // Only silence needs the no-data rule and only a trickle the deadline; every other case ends without them.
        const bool trickle = answer.kind == Reply::Kind::Trickle;
        auto client = makeClient(m_server->url(), answer.status == 0 ? 1s : 60s, trickle ? 1500ms : 60s);
        const UsageFetch fetch = fetchOnce(*client);
        QCOMPARE(fetch.outcome, outcome);
        const bool aborted = answer.kind == Reply::Kind::ResetStream || answer.kind == Reply::Kind::GoAway;
        QCOMPARE(fetch.httpStatus, aborted ? 0 : answer.status);
        QCOMPARE(fetch.retryAfter, retryAfter < 0 ? std::nullopt : std::optional(std::chrono::seconds(retryAfter)));
        QCOMPARE(fetch.reply, outcome == Outcome::Ok ? UsageResponse::decode(answer.body) : std::nullopt);
        QCOMPARE(fetchOnce(*client).outcome, Outcome::Ok);
    }

    void untrustedCertificateIsRefused()
    {
        UsageAPIClient client({m_server->url(), m_credentials, {}}); // the system's roots only
        QCOMPARE(fetchOnce(client).outcome, Outcome::NoConnection);
        QVERIFY(m_server->connections() >= 1);
        QCOMPARE(m_server->requests(), 0);
    }

    // start()'s two fetches share one h2 connection, with exactly our four fields after the pseudo-headers.
    void http2StartUpSharesOneConnection()
    {
        m_server = std::make_unique<Http2TestServer>(m_certificates);
        QVERIFY(m_server->listen());
        m_server->setHandler([](const LocalHttpsServer::Request&, int) { return Reply{.body = realShapedReply}; });
        StatsViewModel vm({.statsPath = m_dir.filePath(u"stats-cache.json"_s), .usageSource = makeClient(m_server->url()),
                           .usageInterval = 1h});
        vm.start();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requests(), 2, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(vm.usage(), UsageResponse::decode(realShapedReply), 10000);
        QCOMPARE(m_server->connections(), 1);
        QCOMPARE(m_server->lastRequest(),
                 (LocalHttpsServer::Request{":method: GET", ":path: /api/oauth/usage", ":scheme: https",
                                            ":authority: " + m_server->url().authority().toUtf8(),
                                            "authorization: Bearer test-token", "anthropic-beta: oauth-2025-04-20",
                                            "content-type: application/json", "user-agent: claude-code/2.0.32"}));
    }

    // Destroyed, the client abandons its fetches: neither the one awaiting a reply nor the one reading its
    // token calls back, and the latter never becomes a request.
    void destroyedWithFetchesInFlight()
    {
        m_server->setHandler([](const LocalHttpsServer::Request&, int index) { return Reply{.status = index ? 200 : 0}; });
        int calledBack = 0;
        auto client = makeClient(m_server->url());
        client->fetchUsage([&](UsageFetch) { ++calledBack; });
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requests(), 1, 10000);
        client->fetchUsage([&](UsageFetch) { ++calledBack; });
        client.reset();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), 0, 10000);
        QVERIFY(QThreadPool::globalInstance()->waitForDone(10000));
        QCOMPARE(fetchOnce(*makeClient(m_server->url())).outcome, Outcome::Ok);
        QCOMPARE(m_server->requests(), 2);
        QCOMPARE(calledBack, 0);
    }

    // Ten thousand fetches through the client and a view model against a misbehaving, rate-limiting server:
    // nothing may crash, hang or grow, and the figures are those of every good reply and of nothing else.
    void thousandsOfFaultyFetches()
    {
        QList<qint64> goodSent;
        // Every body names its request, so a wrongly accepted reply shows which.
        m_server->setHandler([&](const LocalHttpsServer::Request&, int index) -> Reply {
            const QByteArray body = R"({"five_hour":{"utilization":)" + QByteArray::number(index) + "}}";
            const auto limited = [](const QByteArray& retryAfter, int status = 429) {
                const QByteArray field = retryAfter.isNull() ? QByteArray() : "\r\nRetry-After: " + retryAfter;
                return Reply{.status = status, .body = "{}", .headers = "Content-Length: 2" + field};
            };
            switch (schedule[index % (sizeof schedule - 1)]) {
            case 'g': return {.body = body.left(10)};
            case '5': return {.status = 500, .body = body};
            case 'S': return {.status = 0};
            case 'd': return {.status = 0, .hangUp = true};
            case 'c': return {.body = body.left(10), .headers = "Content-Length: 99", .hangUp = true};
            case '4': return limited({});
            case 'r': return limited("30");
            case '3': return limited("20", 503);
            }
            goodSent.append(index);
            return {.body = body};
        });
        auto relay = std::make_shared<Relay>();
        relay->client = makeClient(m_server->url(), 1s, 300ms);
        StatsViewModel vm({.clock = m_clock, .statsPath = m_dir.filePath(u"stats-cache.json"_s), .usageSource = relay});

        int target = 0, completed = 0, wrongFigures = 0;
        QList<qint64> received; // the requests whose replies came back
        QEventLoop loop;
        // Six in flight until `target` completed, draining every 250 as between polls; time passes while held back.
        const auto topUp = [&] {
            while (relay->started < target && relay->started - completed < 6
                   && (relay->started % 250 || relay->started == completed)) {
                const int before = relay->started;
                vm.refreshUsage();
                if (relay->started == before)
                    m_clock->advance(1);
            }
        };
        relay->onDone = [&](const UsageFetch& fetch, const std::function<void()>& publish) {
            const std::optional<UsageResponse> before = vm.usage();
            publish();
            if (fetch.outcome == Outcome::Ok)
                received.append(qint64(*fetch.reply->fiveHour->utilization));
            wrongFigures += vm.usage() != (fetch.outcome == Outcome::Ok ? fetch.reply
                                           : fetch.outcome == Outcome::RateLimited ? before : std::nullopt);
            m_clock->advance(1);
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
            m_server->closeAllConnections(); // and the client releases its end
            QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), 0, 10000);
        };

        runUntil(1000); // warm-up: caches and pools reach their working size
        const qsizetype descriptorsBefore = openDescriptors();
        const qint64 heapBefore = heapInUse();
        runUntil(10000);
        // Connections the server closed stay in curl's cache (up to six) until its next transfer finds them closed.
        QTRY_VERIFY_WITH_TIMEOUT(openDescriptors() <= descriptorsBefore + 6, 5000);
        const qint64 growth = heapInUse() - heapBefore;
        QCOMPARE(wrongFigures, 0);
        std::sort(received.begin(), received.end()); // every good reply arrived, once, and nothing else did
        QCOMPARE(received, goodSent);
        QVERIFY2(growth < 4 << 20, qPrintable(u"grew by %1 KiB"_s.arg(growth / 1024)));
    }
private:
    std::unique_ptr<UsageAPIClient> makeClient(const QUrl& url, std::chrono::seconds idle = 60s,
                                               std::chrono::milliseconds deadline = 60s)
    {
        return std::make_unique<UsageAPIClient>(UsageAPIClient::Options{url, m_credentials, m_certificates.ca().toPem(),
                                                                        idle, deadline, m_clock});
    }

    TestCertificates m_certificates;
    QTemporaryDir m_dir;
    const QString m_credentials = m_dir.filePath(u"credentials.json"_s);
    const std::shared_ptr<FixedClock> m_clock = std::make_shared<FixedClock>(clientNow);
    std::unique_ptr<LocalHttpsServer> m_server;
};

QTEST_GUILESS_MAIN(TestUsageAPIClient)
#include "tst_usageapiclient.moc"
