#pragma once

#include <QHash>
#include <QList>
#include <QSslServer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <utility>

class QSslSocket;
class TestCertificates;

// A scriptable HTTP/2 server over TLS (ALPN "h2" only) on 127.0.0.1, built
// on nghttp2's server session. It records every request's header block as
// it arrived and the connection it came on, and answers as told: any status
// and fields, silence, a reset stream, a GOAWAY, or a header block without
// end.
class Http2TestServer : public QObject
{
    Q_OBJECT

public:
    using Field = std::pair<QByteArray, QByteArray>;

    struct Request
    {
        QList<Field> fields; // pseudo-headers first, names as sent
        int connection = 0;  // from 1, in order of acceptance
    };

    struct Reply
    {
        enum class Kind {
            Answer,      // status, fields and body
            Silence,     // nothing at all on this stream
            ResetStream, // RST_STREAM with INTERNAL_ERROR
            GoAway,      // GOAWAY (INTERNAL_ERROR) naming the stream before this one as the last processed
            HeaderFlood, // a header block of megabytes
        };
        Kind kind = Kind::Answer;
        int status = 200;
        QByteArray body = "{}";
        QList<Field> fields{};
        std::chrono::milliseconds delay{0};
    };

    using Handler = std::function<Reply(const Request&, int index)>; // index: from 0, in order of arrival

    explicit Http2TestServer(const TestCertificates& certificates, QObject* parent = nullptr);
    ~Http2TestServer() override;

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QUrl url() const;
    void setHandler(Handler handler) { m_handler = std::move(handler); }
    // A GOAWAY without error to every open connection, as a server going
    // idle or away says it.
    void goAwayAll();

    int connections() const { return m_connections; }
    int openConnections() const { return int(m_sessions.size()); }
    const QList<Request>& requests() const { return m_requests; }
    // The protocol each TLS connection agreed on through ALPN.
    const QList<QByteArray>& negotiated() const { return m_negotiated; }

private:
    struct Session;

    void start(QSslSocket* socket);

    Handler m_handler;
    QList<Request> m_requests;
    QList<QByteArray> m_negotiated;
    int m_connections = 0;
    QHash<QSslSocket*, Session*> m_sessions;
    QSslServer m_server;
};
