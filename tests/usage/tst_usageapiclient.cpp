#include "usage/UsageAPIClient.h"

#include "model/StatsViewModel.h"

#include "LocalHttpsServer.h"
#include "StatsFiles.h"
#include "TestCertificates.h"

#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Reply = LocalHttpsServer::Reply;

namespace {

// Shaped like a captured reply: null windows, a null reset time, an unknown key.
const QByteArray realShapedReply =
    R"({"five_hour":{"utilization":6.0,"resets_at":"2025-11-04T04:59:59.943648+00:00"},)"
    R"("seven_day":{"utilization":35.0,"resets_at":"2025-11-06T03:59:59.943664+00:00"},)"
    R"("seven_day_oauth_apps":null,"seven_day_opus":{"utilization":0.0,"resets_at":null},"iguana_necktie":null})";

// Fetches once and waits for the answer; a fetch that never calls back fails the test.
std::optional<UsageResponse> fetchOnce(UsageSource& source)
{
    auto answers = std::make_shared<QList<std::optional<UsageResponse>>>();
    source.fetchUsage([answers](std::optional<UsageResponse> reply) { answers->append(std::move(reply)); });
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

    // A fresh server, and below a fresh client, for every case: a manager
    // reuses cached connections whatever TLS settings a later request has.
    void init()
    {
        QVERIFY(StatsFiles::write(m_credentials, R"({"claudeAiOauth":{"accessToken":"test-token"}})"));
        m_server = std::make_unique<LocalHttpsServer>(m_certificates);
        QVERIFY(m_server->listen());
    }

    // The exact request for a usable token; none, not even a connection, without one.
    void request_data()
    {
        QTest::addColumn<QByteArray>("token");         // as stored, JSON escapes and all; null: no credential file
        QTest::addColumn<QByteArray>("authorization"); // null: no request

        QTest::newRow("token") << QByteArray("test-token") << QByteArray("Authorization: Bearer test-token");
        QTest::newRow("empty token") << QByteArray("") << QByteArray("Authorization: Bearer ");
        // It would split the request and smuggle in a field of its own.
        QTest::newRow("token with a line break") << QByteArray(R"(t\r\nX-Injected: 1)") << QByteArray();
        QTest::newRow("no credential file") << QByteArray() << QByteArray();
    }

    void request()
    {
        QFETCH(QByteArray, token);
        QFETCH(QByteArray, authorization);
        const QByteArray document = "{\"claudeAiOauth\":{\"accessToken\":\"" + token + "\"}}";
        QVERIFY(token.isNull() ? QFile::remove(m_credentials) : StatsFiles::write(m_credentials, document));

        auto client = makeClient();
        QCOMPARE(fetchOnce(*client).has_value(), !authorization.isNull());
        if (authorization.isNull()) {
            QCOMPARE(m_server->connections(), 0);
            return;
        }
        // Ours, in this order, with nothing between them.
        const QList<QByteArray> fields = {authorization, "anthropic-beta: oauth-2025-04-20",
                                          "Content-Type: application/json", "User-Agent: claude-code/2.0.32"};
        const LocalHttpsServer::Request& lines = m_server->lastRequest();
        QCOMPARE(m_server->requests(), 1);
        QCOMPARE(lines.value(0), "GET /api/oauth/usage HTTP/1.1");
        QCOMPARE(lines.mid(lines.indexOf(authorization), 4), fields);
    }

    void replies_data()
    {
        QTest::addColumn<Reply>("answer");
        QTest::addColumn<bool>("present");

        QTest::newRow("200 empty object") << Reply{} << true;
        QTest::newRow("200 real-shaped") << Reply{.body = realShapedReply} << true;
        // Redirects included: followed, they would carry the token elsewhere.
        for (int status : {201, 204, 301, 302, 303, 307, 308, 401, 429, 500})
            QTest::addRow("%d", status) << Reply{.status = status, .body = realShapedReply} << false;
        QTest::newRow("never answers") << Reply{.status = 0} << false;
        QTest::newRow("cut off mid-body")
            << Reply{.body = realShapedReply.left(100), .headers = "Content-Length: 1000", .hangUp = true} << false;
        // The two oversized bodies below never end: only abandoning them ends the fetch in time.
        const QByteArray atLimit = realShapedReply.leftJustified(UsageAPIClient::maxReplySize);
        QTest::newRow("exactly the size limit") << Reply{.body = atLimit} << true;
        QTest::newRow("one byte over, close-delimited")
            << Reply{.body = atLimit + ' ', .headers = "Connection: close"} << false;
        QTest::newRow("64 MiB announced") << Reply{.headers = "Content-Length: 67108864"} << false;
    }

    void replies()
    {
        QFETCH(Reply, answer);
        QFETCH(bool, present);
        LocalHttpsServer elsewhere(m_certificates);
        QVERIFY(elsewhere.listen());
        if (answer.status / 100 == 3)
            answer.headers = "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\nLocation: "
                + elsewhere.url().toEncoded();
        m_server->setHandler([&](const LocalHttpsServer::Request&, int) { return answer; });

        // Only silence needs the timeout; every other case must end without it.
        auto client = makeClient(answer.status == 0 ? 500ms : 60s);
        const std::optional<UsageResponse> reply = fetchOnce(*client);
        QCOMPARE(elsewhere.connections(), 0); // where redirects point: the token never gets there
        QCOMPARE(reply.has_value(), present);
        if (present)
            QCOMPARE(*reply, *UsageResponse::decode(answer.body)); // the whole body, nothing else
    }

    void untrustedCertificateIsRefused()
    {
        UsageAPIClient client({m_server->url(), m_credentials, {}}); // the system's roots only, not the test CA
        QVERIFY(!fetchOnce(client));
        QVERIFY(m_server->connections() >= 1);
        QCOMPARE(m_server->requests(), 0);
    }

    // Polls reuse the client's connection instead of a TLS handshake each.
    void reusesTheConnection()
    {
        constexpr int fetches = 20;
        auto client = makeClient();
        for (int i = 0; i < fetches; ++i)
            QVERIFY(fetchOnce(*client));
        qInfo("%d fetches: %d TCP connections, %d TLS handshakes", fetches, m_server->connections(),
              m_server->handshakes());
        QCOMPARE(m_server->requests(), fetches);
        QVERIFY(m_server->handshakes() < fetches / 4);
        // The token is read afresh for every fetch, never kept.
        QVERIFY(StatsFiles::write(m_credentials, R"({"claudeAiOauth":{"accessToken":"renewed"}})"));
        QVERIFY(fetchOnce(*client));
        QVERIFY(m_server->lastRequest().contains("Authorization: Bearer renewed"));
    }

    // Overlapping fetches through the view model complete out of order, and
    // the last to complete wins. Destroying the view model, which holds the
    // only client, aborts the fetches still in flight.
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
        QVERIFY(fetchOnce(*makeClient()));
        QCOMPARE(m_server->requests(), 4);
    }

private:
    std::unique_ptr<UsageAPIClient> makeClient(std::chrono::milliseconds timeout = 60s)
    {
        return std::make_unique<UsageAPIClient>(
            UsageAPIClient::Options{m_server->url(), m_credentials, {m_certificates.ca()}, timeout});
    }

    TestCertificates m_certificates;
    QTemporaryDir m_dir;
    const QString m_credentials = m_dir.filePath(u"credentials.json"_s);
    const QString m_stats = m_dir.filePath(u"stats-cache.json"_s); // never written: only usage changes
    std::unique_ptr<LocalHttpsServer> m_server;
};

QTEST_GUILESS_MAIN(TestUsageAPIClient)
#include "tst_usageapiclient.moc"
