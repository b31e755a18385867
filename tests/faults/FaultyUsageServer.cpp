#include "FaultyUsageServer.h"

#include "TestCertificates.h"

#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

using Fault = FaultyUsageServer::Fault;

// One hundred table, mostly good replies; the stalls past the timeout are
// rare because each holds a connection for the whole timeout.
constexpr std::pair<Fault, int> mix[] = {
    {Fault::Good, 60},      {Fault::ShortStall, 8}, {Fault::Truncated, 5},     {Fault::Mistyped, 3},
    {Fault::ServerError, 8}, {Fault::Late, 1},       {Fault::HeadThenStall, 1}, {Fault::Dropped, 6},
    {Fault::Reset, 4},      {Fault::CutMidBody, 4},
};

// The table in a fixed pseudo-random order, so faults follow each other in
// every combination yet every run is the same.
std::array<Fault, 100> schedule()
{
    std::array<Fault, 100> table{};
    size_t at = 0;
    for (const auto& [fault, count] : mix) {
        for (int i = 0; i < count; ++i)
            table.at(at++) = fault;
    }
    quint32 state = 12345;
    for (size_t i = table.size() - 1; i > 0; --i) {
        state = state * 1664525u + 1013904223u;
        std::swap(table[i], table[(state >> 8) % (i + 1)]);
    }
    return table;
}

QByteArray head(int status, qsizetype length)
{
    return "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Internal Server Error")
        + "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(length) + "\r\n\r\n";
}

QByteArray message(int status, const QByteArray& body)
{
    return head(status, body.size()) + body;
}

} // namespace

Fault FaultyUsageServer::faultOf(int index)
{
    static const std::array<Fault, 100> table = schedule();
    return table[size_t(index) % table.size()];
}

QByteArray FaultyUsageServer::replyFor(int index)
{
    return R"({"five_hour":{"utilization":)" + QByteArray::number(index)
        + R"(,"resets_at":"2025-11-04T04:59:59.943648+00:00"},)"
          R"("seven_day":{"utilization":35.0,"resets_at":"2025-11-06T03:59:59.943664+00:00"},)"
          R"("seven_day_oauth_apps":null,"seven_day_opus":{"utilization":0.0,"resets_at":null},"iguana_necktie":null})";
}

FaultyUsageServer::FaultyUsageServer(const TestCertificates& certificates, std::chrono::milliseconds clientTimeout,
                                     QObject* parent)
    : QObject(parent)
    , m_clientTimeout(clientTimeout)
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certificates.leaf());
    tls.setPrivateKey(certificates.leafKey());
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_server.setSslConfiguration(tls);

    connect(&m_server, &QSslServer::startedEncryptionHandshake, this, &FaultyUsageServer::accept);
    // Take every connection off the queue, or the server stops accepting.
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (m_server.hasPendingConnections())
            m_server.nextPendingConnection();
    });
}

FaultyUsageServer::~FaultyUsageServer()
{
    m_server.close();
    const QList<QSslSocket*> sockets = m_server.findChildren<QSslSocket*>();
    for (QSslSocket* socket : sockets) {
        socket->disconnect(this);
        delete socket;
    }
}

bool FaultyUsageServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QUrl FaultyUsageServer::url() const
{
    return QUrl(u"https://127.0.0.1:%1/api/oauth/usage"_s.arg(m_server.serverPort()));
}

void FaultyUsageServer::closeAllConnections()
{
    const QList<QSslSocket*> sockets = m_buffers.keys();
    for (QSslSocket* socket : sockets)
        socket->disconnectFromHost();
}

void FaultyUsageServer::accept(QSslSocket* socket)
{
    m_buffers.insert(socket, {});
    connect(socket, &QSslSocket::encrypted, this, [this] { ++m_handshakes; });
    connect(socket, &QSslSocket::readyRead, this, [this, socket] { readRequests(socket); });
    connect(socket, &QSslSocket::disconnected, this, [this, socket] {
        m_buffers.remove(socket);
        socket->deleteLater();
    });
    // A handshake that fails never reaches disconnected() in every case.
    connect(socket, &QSslSocket::errorOccurred, this, [socket] {
        if (socket->state() == QAbstractSocket::UnconnectedState)
            socket->deleteLater();
    });
    connect(socket, &QObject::destroyed, this, [this, socket] { m_buffers.remove(socket); });
}

void FaultyUsageServer::readRequests(QSslSocket* socket)
{
    if (!m_buffers.contains(socket))
        return;
    m_buffers[socket] += socket->readAll();
    // Requests carry no body, so each head ends one. Answering may close the
    // connection: look the buffer up afresh every time.
    for (;;) {
        const auto it = m_buffers.find(socket);
        if (it == m_buffers.end())
            return;
        const qsizetype end = it->indexOf("\r\n\r\n");
        if (end < 0) {
            if (it->size() > 64 * 1024)
                socket->abort();
            return;
        }
        it->remove(0, end + 4);
        answer(socket, m_requests++);
    }
}

void FaultyUsageServer::answer(QSslSocket* socket, int index)
{
    const Fault fault = faultOf(index);
    ++m_perFault[size_t(fault)];
    const QByteArray body = replyFor(index);
    const QByteArray half = body.left(body.size() / 2);
    // Delayed answers die with their socket if the client hangs up first.
    const auto later = [socket](std::chrono::milliseconds delay, QByteArray bytes) {
        QTimer::singleShot(delay, socket, [socket, bytes] { socket->write(bytes); });
    };
    switch (fault) {
    case Fault::Good:
        socket->write(message(200, body));
        break;
    case Fault::ShortStall:
        later(m_clientTimeout / 10, message(200, body));
        break;
    case Fault::Truncated:
        socket->write(message(200, half));
        break;
    case Fault::Mistyped:
        socket->write(message(200, R"({"five_hour":{"utilization":")" + QByteArray::number(index) + R"("}})"));
        break;
    case Fault::ServerError:
        socket->write(message(500, body));
        break;
    case Fault::Late:
        later(m_clientTimeout * 2, message(200, body));
        break;
    case Fault::HeadThenStall:
        socket->write(head(200, body.size()) + half);
        break;
    case Fault::Dropped:
        socket->disconnectFromHost();
        break;
    case Fault::Reset:
        socket->abort();
        break;
    case Fault::CutMidBody:
        socket->write(head(200, body.size()) + half);
        socket->disconnectFromHost();
        break;
    }
}
