#include "LocalHttpsServer.h"

#include "TestCertificates.h"

#include <QSslSocket>
#include <QTimer>

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
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_buffers.insert(socket, {});
        connect(socket, &QSslSocket::encrypted, this, [this] { ++m_handshakes; });
        connect(socket, &QSslSocket::readyRead, this, [this, socket] { readRequests(socket); });
        connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_buffers.remove(socket); });
    });
    // Take every connection off the queue, or the server stops accepting.
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (m_server.hasPendingConnections())
            m_server.nextPendingConnection();
    });
}

QUrl LocalHttpsServer::url() const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1/api/oauth/usage").arg(m_server.serverPort()));
}

void LocalHttpsServer::closeAllConnections()
{
    for (QSslSocket* socket : m_buffers.keys())
        socket->disconnectFromHost();
}

void LocalHttpsServer::readRequests(QSslSocket* socket)
{
    QByteArray& buffer = m_buffers[socket];
    buffer += socket->readAll();
    // Requests carry no body, so each head ends one. Answers go out from the
    // event loop, so none closes the socket under this loop; a delayed one
    // dies with its socket if the client hangs up first.
    for (qsizetype end = buffer.indexOf("\r\n\r\n"); end >= 0; end = buffer.indexOf("\r\n\r\n")) {
        m_lastRequest = buffer.left(end).replace("\r\n", "\n").split('\n');
        buffer.remove(0, end + 4);
        const Reply reply = m_handler(m_lastRequest, m_requests++);
        QTimer::singleShot(reply.delay, socket, [socket, reply] {
            if (reply.status != 0) {
                const QByteArray headers = reply.headers.isEmpty()
                    ? "Content-Length: " + QByteArray::number(reply.body.size())
                    : reply.headers;
                socket->write("HTTP/1.1 " + QByteArray::number(reply.status) + " Test\r\n" + headers + "\r\n\r\n"
                              + reply.body);
            }
            if (reply.hangUp)
                socket->disconnectFromHost();
        });
    }
}
