// The usage client against local servers: HTTP/1.1 scripted to misbehave,
// and HTTP/2 through nghttp2, as the account service speaks it.
#include "usage/UsageAPIClient.h"

#include "model/StatsViewModel.h"

#include "FixedClock.h"
#include "Http2TestServer.h"
#include "StatsFiles.h"

#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Outcome = UsageFetch::Outcome;
using Reply = LocalHttpsServer::Reply;

namespace {

// Shaped like a captured reply: null windows, a null reset time, an unknown key.
const QByteArray realShapedReply = R"({"five_hour":{"utilization":6.0,"resets_at":"2025-11-04T04:59:59.943648+00:00"},)"
                                   R"("seven_day_opus":{"utilization":0.0,"resets_at":null},"iguana_necktie":null})";
const QByteArray rateLimitedBody = R"({"error":{"message":"Rate limited. Please try again later.","type":"rate_limit_error"}})";
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

qint64 residentKiB()
{
    QFile file(u"/proc/self/status"_s);
    const QByteArray status = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const qsizetype at = status.indexOf("VmRSS:") + 6;
    return status.mid(at, status.indexOf('\n', at) - at).trimmed().split(' ').value(0).toLongLong();
}

} // namespace

class TestUsageAPIClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_certificates.create(), qPrintable(m_certificates.error())); }

    void init()
    {
        QVERIFY(StatsFiles::write(m_credentials, R"({"claudeAiOauth":{"accessToken":"test-token"}})"));
        m_server = std::make_unique<LocalHttpsServer>(m_certificates);
        QVERIFY(m_server->listen());
    }

    // The exact request, twice on one connection, for a usable token; none,
    // not even a connection, without one or with an expired sign-in.
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
        QTest::newRow("empty token") << login("") << QByteArray("Authorization: Bearer ") << Outcome::Ok;
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
        QCOMPARE(fetchOnce(*client).outcome, outcome);
        QCOMPARE(m_server->connections(), authorization.isNull() ? 0 : 1);
        if (authorization.isNull())
            return;
        QCOMPARE(m_server->requests(), 2);
        // Ours, in this order, and nothing else but the Host line HTTP/1.1 needs.
        QCOMPARE(m_server->lastRequest(),
                 (LocalHttpsServer::Request{"GET /api/oauth/usage HTTP/1.1", "Host: " + m_server->url().authority().toUtf8(),
                                            authorization, "anthropic-beta: oauth-2025-04-20", "Content-Type: application/json",
                                            "User-Agent: claude-code/2.0.32"}));
    }

    void readsTheTokenAfresh()
    {
        auto client = makeClient(m_server->url());
        QCOMPARE(fetchOnce(*client).outcome, Outcome::Ok);
        QVERIFY(StatsFiles::write(m_credentials, R"({"claudeAiOauth":{"accessToken":"renewed"}})"));
        QCOMPARE(fetchOnce(*client).outcome, Outcome::Ok);
        QVERIFY(m_server->lastRequest().contains("Authorization: Bearer renewed"));
    }

    // Each answer maps to an outcome, over either protocol, and the next
    // fetch goes through.
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
        QTest::newRow("429") << false << Reply{.status = 429, .body = rateLimitedBody} << Outcome::RateLimited << -1;
        QTest::newRow("429 Retry-After 990") << false << limited("990") << Outcome::RateLimited << 990;
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
        // Only silence needs the no-data rule; every other case must end without it.
        auto client = makeClient(m_server->url(), answer.status == 0 ? 1s : 60s);
        const UsageFetch fetch = fetchOnce(*client);
        QCOMPARE(fetch.outcome, outcome);
        QCOMPARE(fetch.httpStatus, answer.kind == Reply::Kind::Answer ? answer.status : 0);
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

    // The two fetches of start() go out on one h2 connection, with exactly
    // our four fields (lower-case, as h2 demands) after the pseudo-headers.
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

    // Header lines without end: the fetch fails at the header cap, and
    // memory stays where it was.
    void endlessHeadersAreCut()
    {
        m_server->setHandler([](const LocalHttpsServer::Request&, int index) {
            return Reply{.kind = index < 3 ? Reply::Kind::Answer : Reply::Kind::EndlessHeaders};
        });
        auto client = makeClient(m_server->url());
        for (int i = 0; i < 3; ++i) // steady state: connection, TLS and pools set up
            QCOMPARE(fetchOnce(*client).outcome, Outcome::Ok);
        const qint64 before = residentKiB();
        QCOMPARE(fetchOnce(*client).outcome, Outcome::BadReply);
        QVERIFY2(residentKiB() - before < 10 * 1024, qPrintable(u"grew by %1 KiB"_s.arg(residentKiB() - before)));
        QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), 0, 10000);
    }

    // Six replies trickling a byte at a time hold every connection a host
    // gets; they end at the deadline, and the next fetch goes through.
    void tricklesEndAtTheDeadline()
    {
        m_server->setHandler([](const LocalHttpsServer::Request&, int index) {
            return index < 6 ? Reply{.body = "", .headers = "Content-Length: 999", .kind = Reply::Kind::Trickle} : Reply{};
        });
        auto client = makeClient(m_server->url(), 1s, 1500ms);
        auto answers = std::make_shared<QList<UsageFetch>>();
        for (int i = 0; i < 6; ++i)
            client->fetchUsage([answers](UsageFetch fetch) { answers->append(std::move(fetch)); });
        QTRY_COMPARE_WITH_TIMEOUT(answers->size(), 6, 30000);
        QCOMPARE(m_server->requests(), 6);
        for (const UsageFetch& fetch : *answers)
            QCOMPARE(fetch.outcome, Outcome::NoConnection);
        QCOMPARE(fetchOnce(*client).outcome, Outcome::Ok);
    }

    // Destroying the client abandons its fetches: neither the one awaiting its
    // reply nor the one still looking its token up calls back, and the lookup
    // never becomes a request.
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

private:
    std::unique_ptr<UsageAPIClient> makeClient(const QUrl& url, std::chrono::seconds idle = 60s,
                                               std::chrono::milliseconds deadline = 60s)
    {
        return std::make_unique<UsageAPIClient>(
            UsageAPIClient::Options{url, m_credentials, m_certificates.ca().toPem(), idle, deadline, m_clock});
    }

    TestCertificates m_certificates;
    QTemporaryDir m_dir;
    const QString m_credentials = m_dir.filePath(u"credentials.json"_s);
    const std::shared_ptr<FixedClock> m_clock = std::make_shared<FixedClock>(clientNow);
    std::unique_ptr<LocalHttpsServer> m_server;
};

QTEST_GUILESS_MAIN(TestUsageAPIClient)
#include "tst_usageapiclient.moc"
