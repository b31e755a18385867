#include "StreamingHttpsServer.h"

#include "TestCertificates.h"

#include <QPointer>
#include <QSslSocket>
#include <QTimer>

StreamingHttpsServer::StreamingHttpsServer(const TestCertificates& certificates, QObject* parent)
    : QObject(parent)
    , m_handler([](int) { return Answer::Normal; })
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certificates.leaf());
    tls.setPrivateKey(certificates.leafKey());
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_server.setSslConfiguration(tls);
    connect(&m_server, &QSslServer::startedEncryptionHandshake, this, [this](QSslSocket* socket) {
        ++m_open;
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QSslSocket::readyRead, this, [this, socket, buffer = QByteArray()]() mutable {
            // Requests carry no body, so each head ends one.
            buffer += socket->readAll();
            for (qsizetype end = buffer.indexOf("\r\n\r\n"); end >= 0; end = buffer.indexOf("\r\n\r\n")) {
                buffer.remove(0, end + 4);
                answer(socket, m_handler(m_requests++));
            }
        });
        connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this] { --m_open; });
    });
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (m_server.hasPendingConnections())
            m_server.nextPendingConnection();
    });
}

QUrl StreamingHttpsServer::url() const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1/api/oauth/usage").arg(m_server.serverPort()));
}

void StreamingHttpsServer::send(QSslSocket* socket, const QByteArray& bytes)
{
    m_bytesSent += bytes.size();
    socket->write(bytes);
}

void StreamingHttpsServer::answer(QSslSocket* socket, Answer answer)
{
    switch (answer) {
    case Answer::Normal:
        send(socket, "HTTP/1.1 200 OK\r\nContent-Length: 34\r\n\r\n{\"five_hour\":{\"utilization\":12.0}}");
        return;
    case Answer::HeaderFlood: {
        send(socket, "HTTP/1.1 200 OK\r\n");
        // Refill whenever what is queued has gone out, so the flood runs at
        // the speed the client reads it and the server holds little.
        auto refill = [this, socket, line = 0]() mutable {
            while (socket->bytesToWrite() < 64 * 1024 && m_bytesSent < limit)
                send(socket, "X-Filler-" + QByteArray::number(line++) + ": " + QByteArray(100, 'a') + "\r\n");
        };
        connect(socket, &QSslSocket::encryptedBytesWritten, socket, refill);
        refill();
        return;
    }
    case Answer::Trickle: {
        send(socket, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [this, socket] {
            if (m_bytesSent < limit)
                send(socket, " ");
        });
        timer->start(trickleInterval);
        return;
    }
    }
}
