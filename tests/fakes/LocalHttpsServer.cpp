#include "LocalHttpsServer.h"

#include "TestCertificates.h"

#include <QPointer>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

QByteArray head(const LocalHttpsServer::Reply& reply, const QByteArray& lengthLine)
{
    QByteArray text = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    text += "Content-Type: application/json\r\n";
    text += lengthLine + "\r\n";
    for (const QByteArray& line : reply.extraHeaders)
        text += line + "\r\n";
    return text + "\r\n";
}

QByteArray contentLength(qint64 size)
{
    return "Content-Length: " + QByteArray::number(size);
}

} // namespace

QByteArray LocalHttpsServer::Request::header(const QByteArray& name) const
{
    for (const QByteArray& line : headerLines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

int LocalHttpsServer::Request::countOf(const QByteArray& name) const
{
    int count = 0;
    for (const QByteArray& line : headerLines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).compare(name, Qt::CaseInsensitive) == 0)
            ++count;
    }
    return count;
}

LocalHttpsServer::LocalHttpsServer(const TestCertificates& certificates, QObject* parent)
    : QObject(parent)
    , m_handler([](const Request&, int) { return Reply{}; })
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certificates.leaf());
    tls.setPrivateKey(certificates.leafKey());
    tls.setPeerVerifyMode(QSslSocket::VerifyNone); // clients bring no certificate
    m_server.setSslConfiguration(tls);

    connect(&m_server, &QSslServer::startedEncryptionHandshake, this, [this](QSslSocket* socket) {
        ++m_connections;
        accept(socket);
    });
    // Take every connection off the queue, or the server stops accepting.
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (m_server.hasPendingConnections())
            m_server.nextPendingConnection();
    });
}

LocalHttpsServer::~LocalHttpsServer()
{
    // The sockets would otherwise report their closing to members already gone.
    m_server.close();
    const QList<QSslSocket*> sockets = m_server.findChildren<QSslSocket*>();
    for (QSslSocket* socket : sockets) {
        socket->disconnect(this);
        delete socket;
    }
}

bool LocalHttpsServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QUrl LocalHttpsServer::url(const QString& path) const
{
    return QUrl(u"https://127.0.0.1:%1%2"_s.arg(m_server.serverPort()).arg(path));
}

void LocalHttpsServer::accept(QSslSocket* socket)
{
    m_buffers.insert(socket, {});
    connect(socket, &QSslSocket::encrypted, this, [this] { ++m_handshakes; });
    connect(socket, &QSslSocket::readyRead, this, [this, socket] { readRequests(socket); });
    connect(socket, &QSslSocket::disconnected, this, [this, socket] {
        m_buffers.remove(socket);
        socket->deleteLater();
    });
    connect(socket, &QObject::destroyed, this, [this, socket] { m_buffers.remove(socket); });
}

void LocalHttpsServer::readRequests(QSslSocket* socket)
{
    if (!m_buffers.contains(socket))
        return;
    m_buffers[socket] += socket->readAll();
    // Requests carry no body here, so each head ends a request. Answering may
    // close the connection, so look the buffer up afresh every time.
    for (;;) {
        const auto it = m_buffers.find(socket);
        if (it == m_buffers.end())
            return;
        const qsizetype end = it->indexOf("\r\n\r\n");
        if (end < 0)
            return;
        QList<QByteArray> lines = it->left(end).split('\n');
        it->remove(0, end + 4);
        for (QByteArray& line : lines) {
            if (line.endsWith('\r'))
                line.chop(1);
        }
        Request request;
        request.requestLine = lines.takeFirst();
        request.headerLines = lines;
        m_requests.append(request);
        const Reply reply = m_handler(request, int(m_requests.size() - 1));
        if (reply.delay.count() > 0)
            QTimer::singleShot(reply.delay, socket, [this, socket, reply] { answer(socket, reply); });
        else
            answer(socket, reply);
    }
}

void LocalHttpsServer::answer(QSslSocket* socket, const Reply& reply)
{
    using Kind = Reply::Kind;
    const QByteArray half = reply.body.left(reply.body.size() / 2);
    const QByteArray length = contentLength(reply.contentLength >= 0 ? reply.contentLength : reply.body.size());
    switch (reply.kind) {
    case Kind::Complete:
        if (reply.announceLength) {
            socket->write(head(reply, length) + reply.body);
        } else {
            socket->write(head(reply, "Connection: close") + reply.body);
            socket->disconnectFromHost();
        }
        break;
    case Kind::Silent:
        break;
    case Kind::StallMidBody:
        socket->write(head(reply, length) + half);
        break;
    case Kind::CutMidBody:
        socket->write(head(reply, length) + half);
        socket->disconnectFromHost();
        break;
    case Kind::Trickle:
        socket->write(head(reply, length));
        trickle(socket, reply.body, reply.trickleChunk, reply.trickleInterval);
        break;
    case Kind::Stream:
        socket->write(head(reply, reply.announceLength ? contentLength(reply.streamSize)
                                                       : QByteArray("Connection: close")));
        stream(socket, reply.streamSize, !reply.announceLength);
        break;
    }
}

void LocalHttpsServer::trickle(QSslSocket* socket, const QByteArray& body, qsizetype chunk,
                               std::chrono::milliseconds interval)
{
    auto* timer = new QTimer(socket);
    auto sent = std::make_shared<qsizetype>(0);
    connect(timer, &QTimer::timeout, socket, [socket, timer, body, chunk, sent] {
        socket->write(body.mid(*sent, chunk));
        *sent += chunk;
        if (*sent >= body.size())
            timer->deleteLater();
    });
    timer->start(interval);
}

void LocalHttpsServer::stream(QSslSocket* socket, qint64 size, bool closeAtEnd)
{
    // Only a little is queued at a time, so the figure says what the client
    // actually took before it hung up.
    static constexpr qint64 chunkSize = 64 * 1024;
    static constexpr qint64 queueLimit = 256 * 1024;
    ++m_streaming;
    auto sent = std::make_shared<qint64>(0);
    auto done = std::make_shared<bool>(false);
    auto finish = [this, done] {
        if (!*done) {
            *done = true;
            --m_streaming;
        }
    };
    auto pump = [this, socket, size, closeAtEnd, sent, finish] {
        const QByteArray chunk(chunkSize, 'x');
        while (*sent < size && socket->state() == QAbstractSocket::ConnectedState
               && socket->bytesToWrite() + socket->encryptedBytesToWrite() < queueLimit) {
            const qint64 n = std::min(chunkSize, size - *sent);
            socket->write(chunk.constData(), n);
            *sent += n;
            m_streamed += n;
        }
        if (*sent >= size) {
            if (closeAtEnd)
                socket->disconnectFromHost();
            finish();
        }
    };
    connect(socket, &QSslSocket::encryptedBytesWritten, this, pump);
    connect(socket, &QSslSocket::disconnected, this, finish);
    connect(socket, &QObject::destroyed, this, finish);
    pump();
}
