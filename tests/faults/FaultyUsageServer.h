#pragma once

#include <QHash>
#include <QObject>
#include <QSslServer>
#include <QUrl>

#include <array>
#include <chrono>

class QSslSocket;
class TestCertificates;

// A plan-usage server on 127.0.0.1 that misbehaves on a fixed schedule: the
// n-th request it receives gets faultOf(n). Every reply that carries a body
// names its request, five_hour.utilization = n, so a client that wrongly
// accepts a bad reply shows exactly which one. Keeps nothing per request,
// so a run of any length costs it no memory.
class FaultyUsageServer : public QObject
{
    Q_OBJECT

public:
    enum class Fault {
        Good,          // 200 and a real-shaped reply
        ShortStall,    // the same, after a tenth of the client's timeout
        Truncated,     // 200, half a reply (complete as far as HTTP goes)
        Mistyped,      // 200, a reply with a string where a number belongs
        ServerError,   // 500 carrying a real-shaped reply
        Late,          // a real-shaped reply, after twice the client's timeout
        HeadThenStall, // head and half the body, then nothing
        Dropped,       // the connection closed instead of an answer
        Reset,         // the connection reset instead of an answer
        CutMidBody,    // head and half the body, then the connection closed
    };
    static constexpr int faultKinds = 10;

    static Fault faultOf(int index);
    static bool isGood(Fault fault) { return fault == Fault::Good || fault == Fault::ShortStall; }
    static QByteArray replyFor(int index);

    FaultyUsageServer(const TestCertificates& certificates, std::chrono::milliseconds clientTimeout,
                      QObject* parent = nullptr);
    ~FaultyUsageServer() override;

    bool listen();
    QUrl url() const;

    int requests() const { return m_requests; }
    int requestsWith(Fault fault) const { return m_perFault[size_t(fault)]; }
    int handshakes() const { return m_handshakes; }
    int openConnections() const { return int(m_buffers.size()); }

    // Ends every connection, so both sides release their sockets.
    void closeAllConnections();

private:
    void accept(QSslSocket* socket);
    void readRequests(QSslSocket* socket);
    void answer(QSslSocket* socket, int index);

    QSslServer m_server;
    std::chrono::milliseconds m_clientTimeout;
    QHash<QSslSocket*, QByteArray> m_buffers; // unparsed input per open connection
    int m_requests = 0;
    int m_handshakes = 0;
    std::array<int, faultKinds> m_perFault{};
};
