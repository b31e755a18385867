#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSslServer>
#include <QUrl>

#include <chrono>
#include <functional>

class QSslSocket;
class TestCertificates;

// A scriptable HTTPS/1.1 server on 127.0.0.1 for tests, in this process. It
// keeps connections alive, records every request head as it arrived, and
// counts TCP connections and completed TLS handshakes.
class LocalHttpsServer : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QByteArray requestLine;       // "GET /path HTTP/1.1"
        QList<QByteArray> headerLines; // "Name: value", in the order sent
        QByteArray header(const QByteArray& name) const; // first match, any case
        int countOf(const QByteArray& name) const;
    };

    struct Reply
    {
        enum class Kind {
            Complete,     // head and body
            Silent,       // never answers
            StallMidBody, // head and half the body, then nothing more
            CutMidBody,   // head and half the body, then the connection closes
            Trickle,      // the body a few bytes at a time
            Stream,       // streamSize bytes of filler, as fast as the client takes them
        };
        Kind kind = Kind::Complete;
        int status = 200;
        QByteArray body = "{}";
        QList<QByteArray> extraHeaders; // whole lines, e.g. "Location: https://..."
        std::chrono::milliseconds delay{0};
        std::chrono::milliseconds trickleInterval{100};
        qsizetype trickleChunk = 4;
        qint64 streamSize = 0;
        bool announceLength = true; // Complete, Stream: Content-Length, or close-delimited
        qint64 contentLength = -1;  // announced instead of the body's own size, when set
    };

    // Answers the index-th request (from 0, in order of arrival).
    using Handler = std::function<Reply(const Request&, int index)>;

    explicit LocalHttpsServer(const TestCertificates& certificates, QObject* parent = nullptr);
    ~LocalHttpsServer() override;

    bool listen();
    QUrl url(const QString& path = QStringLiteral("/api/oauth/usage")) const;
    void setHandler(Handler handler) { m_handler = std::move(handler); }

    int connections() const { return m_connections; }      // TCP connections accepted
    int handshakes() const { return m_handshakes; }        // TLS sessions established
    int openConnections() const { return int(m_buffers.size()); }
    const QList<Request>& requests() const { return m_requests; }
    qint64 streamedBytes() const { return m_streamed; }    // filler handed to sockets
    bool streaming() const { return m_streaming > 0; }

private:
    void accept(QSslSocket* socket);
    void readRequests(QSslSocket* socket);
    void answer(QSslSocket* socket, const Reply& reply);
    void trickle(QSslSocket* socket, const QByteArray& body, qsizetype chunk, std::chrono::milliseconds interval);
    void stream(QSslSocket* socket, qint64 size, bool closeAtEnd);

    QSslServer m_server;
    Handler m_handler;
    QHash<QSslSocket*, QByteArray> m_buffers; // unparsed input per open connection
    QList<Request> m_requests;
    int m_connections = 0;
    int m_handshakes = 0;
    qint64 m_streamed = 0;
    int m_streaming = 0;
};
