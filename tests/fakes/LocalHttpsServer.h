#pragma once

#include <QHash>
#include <QSslServer>
#include <QUrl>

#include <chrono>
#include <functional>

class QSslSocket;
class TestCertificates;

// A scriptable HTTPS/1.1 server on 127.0.0.1 for tests, in this process. It
// keeps connections alive and counts connections, handshakes and requests;
// of the requests it keeps only the last, so long runs cost it no memory.
class LocalHttpsServer : public QObject
{
    Q_OBJECT

public:
    using Request = QList<QByteArray>; // the request line, then every header line as sent

    struct Reply
    {
        int status = 200; // 0: no answer at all
        QByteArray body = "{}";
        QByteArray headers{}; // sent instead of "Content-Length: <size of body>"
        std::chrono::milliseconds delay{0};
        bool hangUp = false; // close the connection after writing
    };

    using Handler = std::function<Reply(const Request&, int index)>; // index: from 0, in order of arrival

    explicit LocalHttpsServer(const TestCertificates& certificates, QObject* parent = nullptr);

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QUrl url() const;
    void setHandler(Handler handler) { m_handler = std::move(handler); }
    // Ends every connection, so both sides release their sockets.
    void closeAllConnections();

    int connections() const { return m_connections; } // TCP connections accepted
    int handshakes() const { return m_handshakes; }   // TLS sessions established
    int openConnections() const { return int(m_buffers.size()); }
    int requests() const { return m_requests; }
    const Request& lastRequest() const { return m_lastRequest; }

private:
    void readRequests(QSslSocket* socket);

    Handler m_handler;
    QHash<QSslSocket*, QByteArray> m_buffers; // unparsed input per open connection
    Request m_lastRequest;
    int m_connections = 0;
    int m_handshakes = 0;
    int m_requests = 0;
    QSslServer m_server; // last: its sockets report their end to the members above
};
