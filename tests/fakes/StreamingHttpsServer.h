#pragma once

#include <QSslServer>
#include <QUrl>

#include <chrono>
#include <functional>

class QSslSocket;
class TestCertificates;

// An HTTPS/1.1 server on 127.0.0.1 whose answers never end by themselves:
// header lines without end, or a body one byte at a time. Each answer stops
// when the client hangs up, or at `limit` bytes so a test cannot run away.
class StreamingHttpsServer : public QObject
{
    Q_OBJECT

public:
    enum class Answer {
        Normal,      // 200 with a small reply at once
        HeaderFlood, // a status line, then header lines as fast as the client takes them
        Trickle,     // headers announcing 1000 bytes, then one byte every `trickleInterval`
    };
    using Handler = std::function<Answer(int index)>; // index: from 0, in order of arrival

    explicit StreamingHttpsServer(const TestCertificates& certificates, QObject* parent = nullptr);

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QUrl url() const;
    void setHandler(Handler handler) { m_handler = std::move(handler); }

    int requests() const { return m_requests; }
    int openConnections() const { return m_open; }
    qint64 bytesSent() const { return m_bytesSent; }

    std::chrono::milliseconds trickleInterval{100};
    qint64 limit = qint64(256) << 20;

private:
    void answer(QSslSocket* socket, Answer answer);
    void send(QSslSocket* socket, const QByteArray& bytes);

    Handler m_handler;
    int m_requests = 0;
    int m_open = 0;
    qint64 m_bytesSent = 0;
    QSslServer m_server;
};
