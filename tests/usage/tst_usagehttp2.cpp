// The usage client against a real HTTP/2 server (nghttp2's, over TLS with
// ALPN), as the account service speaks it.
#include "usage/UsageAPIClient.h"

#include "model/StatsViewModel.h"

#include "FixedClock.h"
#include "Http2TestServer.h"
#include "StatsFiles.h"
#include "TestCertificates.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Outcome = UsageFetch::Outcome;
using Reply = Http2TestServer::Reply;
using Field = Http2TestServer::Field;

namespace {

const QByteArray realShapedReply =
    R"({"five_hour":{"utilization":6.0,"resets_at":"2025-11-04T04:59:59.943648+00:00"},)"
    R"("seven_day":{"utilization":35.0,"resets_at":"2025-11-06T03:59:59.943664+00:00"},)"
    R"("seven_day_oauth_apps":null,"seven_day_opus":{"utilization":0.0,"resets_at":null},"iguana_necktie":null})";

const QByteArray rateLimitedBody = R"({"error":{"message":"Rate limited. Please try again later.","type":"rate_limit_error"}})";

UsageFetch fetchOnce(UsageSource& source)
{
    auto answers = std::make_shared<QList<UsageFetch>>();
    source.fetchUsage([answers](UsageFetch fetch) { answers->append(std::move(fetch)); });
    if (!QTest::qWaitFor([&] { return !answers->isEmpty(); }, 20000))
        QTest::qFail("the fetch never called back", __FILE__, __LINE__);
    return answers->value(0);
}

} // namespace

class TestUsageHttp2 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(m_certificates.create(), qPrintable(m_certificates.error()));
        QVERIFY(StatsFiles::write(m_credentials, R"({"claudeAiOauth":{"accessToken":"test-token"}})"));
    }

    void init()
    {
        m_server = std::make_unique<Http2TestServer>(m_certificates);
        QVERIFY(m_server->listen());
    }

    // h2 through ALPN, and on it exactly our four fields, lower-case as h2
    // demands, after the pseudo-headers: nothing of curl's own.
    void requestGoesOutAsHttp2()
    {
        auto client = makeClient();
        QCOMPARE(fetchOnce(*client).outcome, Outcome::Ok);
        QCOMPARE(m_server->negotiated(), QList<QByteArray>{"h2"});
        const QList<Field> expected = {{":method", "GET"},
                                       {":path", "/api/oauth/usage"},
                                       {":scheme", "https"},
                                       {":authority", m_server->url().authority().toUtf8()},
                                       {"authorization", "Bearer test-token"},
                                       {"anthropic-beta", "oauth-2025-04-20"},
                                       {"content-type", "application/json"},
                                       {"user-agent", "claude-code/2.0.32"}};
        QCOMPARE(m_server->requests().size(), 1);
        QCOMPARE(m_server->requests().first().fields, expected);
    }

    // The two fetches of start() and the polls after them share one connection.
    void startUpFetchesShareAConnection()
    {
        auto vm = std::make_unique<StatsViewModel>(StatsViewModel::Dependencies{
            .statsPath = m_dir.filePath(u"stats-cache.json"_s), .usageSource = makeClient(), .usageInterval = 300ms});
        vm->start();
        QTRY_VERIFY_WITH_TIMEOUT(m_server->requests().size() >= 5, 20000);
        qInfo("%lld requests over %d connection(s)", qint64(m_server->requests().size()), m_server->connections());
        QCOMPARE(m_server->connections(), 1);
        QVERIFY(vm->usage());
    }

    void replies_data()
    {
        QTest::addColumn<Reply>("answer");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<int>("retryAfter"); // -1: none

        QTest::newRow("200") << Reply{.body = realShapedReply} << Outcome::Ok << -1;
        QTest::newRow("200 not a reply") << Reply{.body = "[1]"} << Outcome::BadReply << -1;
        QTest::newRow("429") << Reply{.status = 429, .body = rateLimitedBody} << Outcome::RateLimited << -1;
        QTest::newRow("429 retry-after 0")
            << Reply{.status = 429, .body = rateLimitedBody, .fields = {{"retry-after", "0"}}} << Outcome::RateLimited
            << 0;
        QTest::newRow("429 retry-after 1022")
            << Reply{.status = 429, .body = rateLimitedBody, .fields = {{"retry-after", "1022"}}}
            << Outcome::RateLimited << 1022;
        QTest::newRow("500") << Reply{.status = 500, .body = realShapedReply} << Outcome::Refused << -1;
        QTest::newRow("403") << Reply{.status = 403, .body = "{}"} << Outcome::Refused << -1;
        QTest::newRow("reset stream") << Reply{.kind = Reply::Kind::ResetStream} << Outcome::NoConnection << -1;
        QTest::newRow("GOAWAY") << Reply{.kind = Reply::Kind::GoAway} << Outcome::NoConnection << -1;
        QTest::newRow("silence") << Reply{.kind = Reply::Kind::Silence} << Outcome::NoConnection << -1;
        // Over h2, curl refuses a header block long before our own cap would see it.
        QTest::newRow("header flood") << Reply{.kind = Reply::Kind::HeaderFlood} << Outcome::NoConnection << -1;
    }

    // As on HTTP/1.1; a stream the server resets or abandons fails the fetch
    // at once (silence at the deadline), and the next fetch goes through.
    void replies()
    {
        QFETCH(Reply, answer);
        QFETCH(Outcome, outcome);
        QFETCH(int, retryAfter);
        m_server->setHandler([&](const Http2TestServer::Request&, int index) { return index == 0 ? answer : Reply{}; });
        auto client = makeClient(answer.kind == Reply::Kind::Silence ? 1s : 60s);
        const UsageFetch fetch = fetchOnce(*client);
        QCOMPARE(fetch.outcome, outcome);
        QCOMPARE(fetch.retryAfter, retryAfter < 0 ? std::nullopt : std::optional(std::chrono::seconds(retryAfter)));
        if (outcome == Outcome::Ok)
            QCOMPARE(fetch.reply, UsageResponse::decode(answer.body));
        QCOMPARE(fetchOnce(*client).outcome, Outcome::Ok);
    }

    // A server going idle says GOAWAY without error; the next poll opens a
    // new connection instead of writing into the old one.
    void goAwayBetweenPolls()
    {
        auto client = makeClient();
        QCOMPARE(fetchOnce(*client).outcome, Outcome::Ok);
        m_server->goAwayAll();
        QTest::qWait(100);
        QCOMPARE(fetchOnce(*client).outcome, Outcome::Ok);
        QCOMPARE(m_server->connections(), 2);
    }

    // The same against nghttpd, nghttp2's own server program, serving the
    // reply as a file: h2, exactly our fields, and the two fetches of start()
    // as two streams on one connection (its -v log shows both).
    void againstNghttpd()
    {
        const QString program = QStandardPaths::findExecutable(u"nghttpd"_s, {u"/usr/sbin"_s, u"/usr/bin"_s});
        QVERIFY2(!program.isEmpty(), "nghttpd is missing (package nghttp2-server)");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(u"htdocs/api/oauth"_s));
        QVERIFY(StatsFiles::write(dir.filePath(u"htdocs/api/oauth/usage"_s), realShapedReply));
        QVERIFY(StatsFiles::write(dir.filePath(u"key.pem"_s), m_certificates.leafKey().toPem()));
        QVERIFY(StatsFiles::write(dir.filePath(u"cert.pem"_s), m_certificates.leaf().toPem()));
        QTcpServer probe; // a free port for it
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();

        QProcess nghttpd;
        nghttpd.setProcessChannelMode(QProcess::MergedChannels);
        nghttpd.start(program, {u"-v"_s, u"-a"_s, u"127.0.0.1"_s, u"-d"_s, dir.filePath(u"htdocs"_s),
                                QString::number(port), dir.filePath(u"key.pem"_s), dir.filePath(u"cert.pem"_s)});
        QVERIFY(nghttpd.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(
            [port] {
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, port);
                return socket.waitForConnected(200);
            }(),
            10000);

        const QUrl url(u"https://127.0.0.1:%1/api/oauth/usage"_s.arg(port));
        auto vm = std::make_unique<StatsViewModel>(StatsViewModel::Dependencies{
            .statsPath = dir.filePath(u"stats-cache.json"_s),
            .usageSource = std::make_shared<UsageAPIClient>(
                UsageAPIClient::Options{url, m_credentials, m_certificates.ca().toPem()})});
        vm->start();
        QByteArray log;
        QTRY_VERIFY_WITH_TIMEOUT((log += nghttpd.readAll()).contains("stream_id=3 closed"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(vm->usage().has_value(), 10000);
        QCOMPARE(vm->usage(), UsageResponse::decode(realShapedReply));
        nghttpd.terminate();
        QVERIFY(nghttpd.waitForFinished());

        // "[id=1] [  0.503] recv (stream_id=1, sensitive) authorization: Bearer x"
        static const QRegularExpression line(uR"(^\[id=(\d+)\] \[[ .\d]+\] recv \(stream_id=(\d+)[^)]*\) (:?[^:]+): (.*)$)"_s,
                                             QRegularExpression::MultilineOption);
        QHash<QString, QList<Field>> streams; // by "connection/stream"
        for (auto it = line.globalMatch(QString::fromUtf8(log)); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            streams[m.captured(1) + u'/' + m.captured(2)].append({m.captured(3).toUtf8(), m.captured(4).toUtf8()});
        }
        const QList<Field> expected = {{":method", "GET"},
                                       {":path", "/api/oauth/usage"},
                                       {":scheme", "https"},
                                       {":authority", url.authority().toUtf8()},
                                       {"authorization", "Bearer test-token"},
                                       {"anthropic-beta", "oauth-2025-04-20"},
                                       {"content-type", "application/json"},
                                       {"user-agent", "claude-code/2.0.32"}};
        // Connection numbers count the readiness probes too.
        QStringList keys = streams.keys();
        keys.sort();
        QCOMPARE(keys.size(), 2);
        const QString connection = keys.first().section(u'/', 0, 0);
        QCOMPARE(keys, (QStringList{connection + u"/1"_s, connection + u"/3"_s}));
        for (const QString& key : keys)
            QCOMPARE(streams.value(key), expected);
    }

private:
    std::unique_ptr<UsageAPIClient> makeClient(std::chrono::milliseconds deadline = 60s)
    {
        return std::make_unique<UsageAPIClient>(
            UsageAPIClient::Options{m_server->url(), m_credentials, m_certificates.ca().toPem(), 60s, deadline});
    }

    TestCertificates m_certificates;
    QTemporaryDir m_dir;
    const QString m_credentials = m_dir.filePath(u"credentials.json"_s);
    std::unique_ptr<Http2TestServer> m_server;
};

QTEST_GUILESS_MAIN(TestUsageHttp2)
#include "tst_usagehttp2.moc"
