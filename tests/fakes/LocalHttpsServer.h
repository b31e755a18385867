#pragma once

#include "TestCertificates.h"

#include <QSslServer>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>

#include <functional>

// A scriptable keep-alive HTTPS/1.1 server on 127.0.0.1; it keeps only the last request, so long runs cost no memory.
class LocalHttpsServer : public QObject
{
public:
    using Request = QList<QByteArray>; // the request line, then every header line as sent

    struct Reply
    {
        // Status 0: no answer. Trickle: a byte every 100 ms after it. ResetStream, GoAway: HTTP/2 only.
        enum class Kind { Answer, EndlessHeaders, Trickle, ResetStream, GoAway };
        int status = 200;
        QByteArray body = "{}";
        QByteArray headers{}; // sent instead of "Content-Length: <size of body>"
        bool hangUp = false;  // close the connection after writing
        Kind kind = Kind::Answer;
    };
    using Handler = std::function<Reply(const Request&, int index)>; // index: from 0, in order of arrival

    // Shaped like a captured reply: null windows, a null reset time, an unknown key.
    static inline const QByteArray realShapedReply =
        R"({"five_hour":{"utilization":6.0,"resets_at":"2025-11-04T04:59:59.943648+00:00"},)"
        R"("seven_day":{"utilization":35.0,"resets_at":"2025-11-06T03:59:59.943664+00:00"},)"
        R"("seven_day_oauth_apps":null,"seven_day_opus":{"utilization":0.0,"resets_at":null},"iguana_necktie":null})";

    explicit LocalHttpsServer(const TestCertificates& certificates, const QList<QByteArray>& protocols = {})
    {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(certificates.leaf());
        tls.setPrivateKey(certificates.leafKey());
        tls.setPeerVerifyMode(QSslSocket::VerifyNone); // clients bring no certificate
        tls.setAllowedNextProtocols(protocols);
        m_server.setSslConfiguration(tls);
        connect(&m_server, &QSslServer::startedEncryptionHandshake, this, [this](QSslSocket* socket) {
            ++m_connections;
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            m_buffers.insert(socket, {});
            connect(socket, &QSslSocket::encrypted, this, [this] { ++m_handshakes; });
            connect(socket, &QSslSocket::readyRead, this, [this, socket] { received(socket); });
            connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QObject::destroyed, this, [this, socket] { m_buffers.remove(socket); });
        });
        // Take every connection off the queue, or the server stops accepting.
        connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (m_server.nextPendingConnection()) {
            }
        });
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QUrl url() const { return QUrl(QStringLiteral("https://127.0.0.1:%1/api/oauth/usage").arg(m_server.serverPort())); }
    void setHandler(Handler handler) { m_handler = std::move(handler); }
    void closeAllConnections()
    {
        for (QSslSocket* socket : m_buffers.keys())
            socket->disconnectFromHost();
    }

    int connections() const { return m_connections; } // TCP connections accepted
    int handshakes() const { return m_handshakes; }   // TLS sessions established
    int openConnections() const { return int(m_buffers.size()); }
    int requests() const { return m_requests; }
    const Request& lastRequest() const { return m_lastRequest; }

protected:
    virtual void received(QSslSocket* socket)
    {
        // Requests have no body; answered from the event loop, so none closes the socket under this loop.
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        for (qsizetype end; (end = buffer.indexOf("\r\n\r\n")) >= 0; buffer.remove(0, end + 4))
            QTimer::singleShot(0, socket, [socket, reply = take(buffer.left(end).replace("\r\n", "\n").split('\n'))] {
                answer(socket, reply);
            });
    }

    Reply take(const Request& request)
    {
        m_lastRequest = request;
        return m_handler(request, m_requests++);
    }

private:
    static void answer(QSslSocket* socket, const Reply& reply)
    {
        const QByteArray statusLine = "HTTP/1.1 " + QByteArray::number(reply.status) + " Test\r\n";
        if (reply.kind == Reply::Kind::EndlessHeaders) {
            // Refilled as the queue drains: the flood runs at the client's pace.
            connect(socket, &QSslSocket::encryptedBytesWritten, socket, [socket, line = 0]() mutable {
                while (socket->bytesToWrite() < 64 * 1024 && line < 2'000'000)
                    socket->write("X-Filler-" + QByteArray::number(line++) + ": " + QByteArray(100, 'a') + "\r\n");
            });
            socket->write(statusLine);
            return;
        }
        const QByteArray length = "Content-Length: " + QByteArray::number(reply.body.size());
        if (reply.status != 0)
            socket->write(statusLine + (reply.headers.isEmpty() ? length : reply.headers) + "\r\n\r\n" + reply.body);
        if (reply.kind == Reply::Kind::Trickle) {
            auto* timer = new QTimer(socket);
            connect(timer, &QTimer::timeout, socket, [socket] { socket->write(" "); });
            timer->start(100);
        }
        if (reply.hangUp)
            socket->disconnectFromHost();
    }

    Handler m_handler = [](const Request&, int) { return Reply{}; };
    QHash<QSslSocket*, QByteArray> m_buffers; // unparsed input per open connection
    Request m_lastRequest;
    int m_connections = 0, m_handshakes = 0, m_requests = 0;
    QSslServer m_server; // last: its sockets report their end to the members above
};
