#include "usage/UsageAPIClient.h"

#include "model/StatsViewModel.h"

#include "FixedClock.h"
#include "LocalHttpsServer.h"
#include "StatsFiles.h"
#include "StreamingHttpsServer.h"
#include "TestCertificates.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Outcome = UsageFetch::Outcome;
using Reply = LocalHttpsServer::Reply;

namespace {

// Shaped like a captured reply: null windows, a null reset time, an unknown key.
const QByteArray realShapedReply =
    R"({"five_hour":{"utilization":6.0,"resets_at":"2025-11-04T04:59:59.943648+00:00"},)"
    R"("seven_day":{"utilization":35.0,"resets_at":"2025-11-06T03:59:59.943664+00:00"},)"
    R"("seven_day_oauth_apps":null,"seven_day_opus":{"utilization":0.0,"resets_at":null},"iguana_necktie":null})";

const QByteArray rateLimitedBody = R"({"error":{"message":"Rate limited. Please try again later.","type":"rate_limit_error"}})";

// The client's clock: sign-in expiry and Retry-After dates are judged by it.
const QDateTime clientNow = QDateTime(QDate(2026, 3, 2), QTime(9, 30), Qt::UTC);

qint64 residentKiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Fetches once and waits for the answer; a fetch that never calls back fails the test.
UsageFetch fetchOnce(UsageSource& source)
{
    auto answers = std::make_shared<QList<UsageFetch>>();
    source.fetchUsage([answers](UsageFetch fetch) { answers->append(std::move(fetch)); });
    if (!QTest::qWaitFor([&] { return !answers->isEmpty(); }, 20000))
        QTest::qFail("the fetch never called back", __FILE__, __LINE__);
    return answers->value(0);
}

} // namespace

class TestUsageAPIClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_certificates.create(), qPrintable(m_certificates.error())); }

    // A fresh server, and below a fresh client, for every case.
    void init()
    {
        QVERIFY(StatsFiles::write(m_credentials, R"({"claudeAiOauth":{"accessToken":"test-token"}})"));
        m_server = std::make_unique<LocalHttpsServer>(m_certificates);
        QVERIFY(m_server->listen());
    }

    // The exact request for a usable token; none, not even a connection,
    // without one or with one whose sign-in has expired.
    void request_data()
    {
        QTest::addColumn<QByteArray>("document"); // null: no credential file
        QTest::addColumn<QByteArray>("authorization"); // null: no request
        QTest::addColumn<Outcome>("outcome");

        const auto login = [](const QByteArray& token, const QByteArray& more = {}) {
            return "{\"claudeAiOauth\":{\"accessToken\":\"" + token + '"' + more + "}}";
        };
        const QByteArray expiresAt = ",\"expiresAt\":" + QByteArray::number(clientNow.toMSecsSinceEpoch());
        QTest::newRow("token") << login("test-token") << QByteArray("Authorization: Bearer test-token") << Outcome::Ok;
        QTest::newRow("empty token") << login("") << QByteArray("Authorization: Bearer ") << Outcome::Ok;
        QTest::newRow("expires a second from now")
            << login("t", ",\"expiresAt\":" + QByteArray::number(clientNow.toMSecsSinceEpoch() + 1000))
            << QByteArray("Authorization: Bearer t") << Outcome::Ok;
        QTest::newRow("expires at this very moment") << login("t", expiresAt) << QByteArray() << Outcome::SignInExpired;
        QTest::newRow("expired a year ago")
            << login("t", ",\"expiresAt\":" + QByteArray::number(clientNow.addYears(-1).toMSecsSinceEpoch()))
            << QByteArray() << Outcome::SignInExpired;
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
        // The first answer tries to set a cookie; the second request must not carry it.
        m_server->setHandler([](const LocalHttpsServer::Request&, int) {
            return Reply{.headers = "Content-Length: 2\r\nSet-Cookie: session=abc; Secure"};
        });

        auto client = makeClient();
        QCOMPARE(fetchOnce(*client).outcome, outcome);
        if (authorization.isNull()) {
            QCOMPARE(m_server->connections(), 0);
            return;
        }
        QCOMPARE(fetchOnce(*client).outcome, outcome);
        QCOMPARE(m_server->requests(), 2);
        // Ours, in this order, and nothing else but the Host line HTTP/1.1 needs.
        const LocalHttpsServer::Request expected = {"GET /api/oauth/usage HTTP/1.1",
                                                    "Host: " + m_server->url().authority().toUtf8(),
                                                    authorization,
                                                    "anthropic-beta: oauth-2025-04-20",
                                                    "Content-Type: application/json",
                                                    "User-Agent: claude-code/2.0.32"};
        QCOMPARE(m_server->lastRequest(), expected);
    }

    void replies_data()
    {
        QTest::addColumn<Reply>("answer");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<int>("retryAfter"); // seconds; -1: none reported

        QTest::newRow("200 empty object") << Reply{} << Outcome::Ok << -1;
        QTest::newRow("200 real-shaped") << Reply{.body = realShapedReply} << Outcome::Ok << -1;
        QTest::newRow("200 not a reply") << Reply{.body = "[]"} << Outcome::BadReply << -1;
        // Redirects included: followed, they would carry the token elsewhere.
        for (int status : {201, 204, 301, 302, 303, 307, 308, 401, 403, 500, 503})
            QTest::addRow("%d", status) << Reply{.status = status, .body = realShapedReply} << Outcome::Refused << -1;
        const auto limited = [](const QByteArray& retryAfter, int status = 429) {
            return Reply{.status = status,
                         .body = rateLimitedBody,
                         .headers = "Content-Length: " + QByteArray::number(rateLimitedBody.size()) + "\r\nRetry-After: "
                             + retryAfter};
        };
        QTest::newRow("429") << Reply{.status = 429, .body = rateLimitedBody} << Outcome::RateLimited << -1;
        QTest::newRow("429 Retry-After 990") << limited("990") << Outcome::RateLimited << 990;
        QTest::newRow("429 Retry-After 0") << limited("0") << Outcome::RateLimited << 0;
        QTest::newRow("429 Retry-After date ahead")
            << limited("Mon, 02 Mar 2026 09:47:30 GMT") << Outcome::RateLimited << 1050;
        QTest::newRow("429 Retry-After date past")
            << limited("Mon, 02 Mar 2026 09:00:00 GMT") << Outcome::RateLimited << 0;
        QTest::newRow("429 Retry-After nonsense") << limited("soon") << Outcome::RateLimited << -1;
        QTest::newRow("503 Retry-After 30") << limited("30", 503) << Outcome::Refused << 30;
        QTest::newRow("never answers") << Reply{.status = 0} << Outcome::NoConnection << -1;
        QTest::newRow("cut off mid-body")
            << Reply{.body = realShapedReply.left(100), .headers = "Content-Length: 1000", .hangUp = true}
            << Outcome::NoConnection << -1;
        // The two oversized bodies below never end: only abandoning them ends the fetch in time.
        const QByteArray atLimit = realShapedReply.leftJustified(UsageAPIClient::maxReplySize);
        QTest::newRow("exactly the size limit") << Reply{.body = atLimit} << Outcome::Ok << -1;
        QTest::newRow("one byte over, close-delimited")
            << Reply{.body = atLimit + ' ', .headers = "Connection: close"} << Outcome::BadReply << -1;
        QTest::newRow("64 MiB announced") << Reply{.headers = "Content-Length: 67108864"} << Outcome::BadReply << -1;
    }

    void replies()
    {
        QFETCH(Reply, answer);
        QFETCH(Outcome, outcome);
        QFETCH(int, retryAfter);
        LocalHttpsServer elsewhere(m_certificates);
        QVERIFY(elsewhere.listen());
        if (answer.status / 100 == 3)
            answer.headers = "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\nLocation: "
                + elsewhere.url().toEncoded();
        m_server->setHandler([&](const LocalHttpsServer::Request&, int) { return answer; });

        // Only silence needs the no-data rule; every other case must end without it.
        auto client = makeClient(answer.status == 0 ? 1s : 60s);
        const UsageFetch fetch = fetchOnce(*client);
        QCOMPARE(elsewhere.connections(), 0); // where redirects point: the token never gets there
        QCOMPARE(fetch.outcome, outcome);
        QCOMPARE(fetch.httpStatus, answer.status);
        QCOMPARE(fetch.retryAfter, retryAfter < 0 ? std::nullopt : std::optional(std::chrono::seconds(retryAfter)));
        if (outcome == Outcome::Ok)
            QCOMPARE(fetch.reply, UsageResponse::decode(answer.body)); // the whole body, nothing else
        else
            QVERIFY(!fetch.reply);
    }

    void untrustedCertificateIsRefused()
    {
        UsageAPIClient::Options options; // the system's roots only, not the test CA
        options.endpoint = m_server->url();
        options.credentialsPath = m_credentials;
        UsageAPIClient client(options);
        QCOMPARE(fetchOnce(client).outcome, Outcome::NoConnection);
        QVERIFY(m_server->connections() >= 1);
        QCOMPARE(m_server->requests(), 0);
    }

    // Polls reuse the client's connection instead of a TLS handshake each.
    void reusesTheConnection()
    {
        constexpr int fetches = 20;
        auto client = makeClient();
        for (int i = 0; i < fetches; ++i)
            QCOMPARE(fetchOnce(*client).outcome, Outcome::Ok);
        qInfo("%d fetches: %d TCP connections, %d TLS handshakes", fetches, m_server->connections(),
              m_server->handshakes());
        QCOMPARE(m_server->requests(), fetches);
        QCOMPARE(m_server->connections(), 1);
        // The token is read afresh for every fetch, never kept.
        QVERIFY(StatsFiles::write(m_credentials, R"({"claudeAiOauth":{"accessToken":"renewed"}})"));
        QCOMPARE(fetchOnce(*client).outcome, Outcome::Ok);
        QVERIFY(m_server->lastRequest().contains("Authorization: Bearer renewed"));
    }

    // Header lines without end: the fetch fails at the header cap, and memory
    // stays where it was (the server would send 256 MiB).
    void headerFloodIsCut()
    {
        StreamingHttpsServer server(m_certificates);
        QVERIFY(server.listen());
        server.setHandler([](int index) {
            return index < 3 ? StreamingHttpsServer::Answer::Normal : StreamingHttpsServer::Answer::HeaderFlood;
        });
        UsageAPIClient client({server.url(), m_credentials, m_certificates.ca().toPem(), 60s, 60s, m_clock});
        for (int i = 0; i < 3; ++i) // steady state: connections, TLS and pools set up
            QCOMPARE(fetchOnce(client).outcome, Outcome::Ok);
        const qint64 before = residentKiB();
        const UsageFetch fetch = fetchOnce(client);
        const qint64 after = residentKiB();
        qInfo("header flood: %lld KiB sent before the client hung up; resident %lld KiB before, %lld KiB after",
              server.bytesSent() / 1024, before, after);
        QCOMPARE(fetch.outcome, Outcome::BadReply);
        QVERIFY2(after - before < 10 * 1024, qPrintable(u"grew by %1 KiB"_s.arg(after - before)));
        QTRY_COMPARE_WITH_TIMEOUT(server.openConnections(), 0, 10000);
    }

    // Six replies trickling a byte at a time hold every connection a host
    // gets; they end at the deadline, and the next fetch goes through.
    void tricklesEndAtTheDeadline()
    {
        StreamingHttpsServer server(m_certificates);
        QVERIFY(server.listen());
        server.setHandler([](int index) {
            return index < 6 ? StreamingHttpsServer::Answer::Trickle : StreamingHttpsServer::Answer::Normal;
        });
        UsageAPIClient client({server.url(), m_credentials, m_certificates.ca().toPem(), 1s, 1500ms, m_clock});
        auto answers = std::make_shared<QList<UsageFetch>>();
        QElapsedTimer elapsed;
        elapsed.start();
        for (int i = 0; i < 6; ++i)
            client.fetchUsage([answers](UsageFetch fetch) { answers->append(std::move(fetch)); });
        QTRY_COMPARE_WITH_TIMEOUT(answers->size(), 6, 30000);
        qInfo("six trickling replies ended after %lld ms (deadline 1500 ms)", elapsed.elapsed());
        QCOMPARE(server.requests(), 6);
        for (const UsageFetch& fetch : *answers)
            QCOMPARE(fetch.outcome, Outcome::NoConnection);
        QCOMPARE(fetchOnce(client).outcome, Outcome::Ok);
    }

    // Overlapping fetches through the view model complete out of order, and
    // the last to complete wins. Destroying the view model, which holds the
    // only client, abandons the fetches still in flight.
    void overlappingFetchesThroughTheViewModel()
    {
        // The first request to arrive is answered last; the third never is.
        m_server->setHandler([](const LocalHttpsServer::Request&, int index) {
            if (index == 2)
                return Reply{.status = 0};
            const QByteArray percent = index == 0 ? "11" : "22";
            return Reply{.body = R"({"five_hour":{"utilization":)" + percent + "}}", .delay = index == 0 ? 900ms : 100ms};
        });
        auto vm = std::make_unique<StatsViewModel>(
            StatsViewModel::Dependencies{.statsPath = m_stats, .usageSource = makeClient()});
        vm->refreshUsage();
        vm->refreshUsage();
        QTRY_COMPARE_WITH_TIMEOUT(vm->sessionPercent(), std::optional<qint64>(22), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(vm->sessionPercent(), std::optional<qint64>(11), 10000);

        vm->refreshUsage();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requests(), 3, 10000);
        vm->refreshUsage(); // still looking its token up
        vm.reset();
        // The waiting reply was aborted, and the lookup never became a request:
        // once the lookup is done, a fresh client's fetch is the next one.
        QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), 0, 10000);
        QVERIFY(QThreadPool::globalInstance()->waitForDone(10000));
        QCOMPARE(fetchOnce(*makeClient()).outcome, Outcome::Ok);
        QCOMPARE(m_server->requests(), 4);
    }

private:
    std::unique_ptr<UsageAPIClient> makeClient(std::chrono::seconds idleTimeout = 60s)
    {
        return std::make_unique<UsageAPIClient>(UsageAPIClient::Options{
            m_server->url(), m_credentials, m_certificates.ca().toPem(), idleTimeout, 60s, m_clock});
    }

    TestCertificates m_certificates;
    QTemporaryDir m_dir;
    const QString m_credentials = m_dir.filePath(u"credentials.json"_s);
    const QString m_stats = m_dir.filePath(u"stats-cache.json"_s); // never written: only usage changes
    const std::shared_ptr<FixedClock> m_clock = std::make_shared<FixedClock>(clientNow);
    std::unique_ptr<LocalHttpsServer> m_server;
};

QTEST_GUILESS_MAIN(TestUsageAPIClient)
#include "tst_usageapiclient.moc"
