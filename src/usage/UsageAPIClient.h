#pragma once

#include "usage/UsageSource.h"

#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>

#include <chrono>
#include <optional>

class QNetworkReply;

// The account service's plan-usage endpoint. Every fetch looks the OAuth
// token up afresh off the main thread, then sends one GET through this
// client's own long-lived manager, so the 5-second polls share one TLS
// connection. Lives on the main thread; completions run there too.
class UsageAPIClient final : public QObject, public UsageSource
{
    Q_OBJECT

public:
    // Only tests change these.
    struct Options
    {
        QUrl endpoint = usageURL();
        QString credentialsPath;                    // empty: the platform's own store
        QList<QSslCertificate> extraCaCertificates; // trusted besides the system's roots
        std::chrono::milliseconds transferTimeout{60000}; // without any data arriving
    };

    static const QUrl& usageURL();

    // Bodies beyond this are abandoned unread: real replies are under 1 KiB.
    static constexpr qint64 maxReplySize = 1024 * 1024;

    explicit UsageAPIClient(QObject* parent = nullptr);
    explicit UsageAPIClient(Options options, QObject* parent = nullptr);
    // Aborts the fetches still in flight without calling them back.
    ~UsageAPIClient() override;

    void fetchUsage(Completion done) override;

private:
    void send(const QString& token, Completion done);
    void finish(QNetworkReply* reply, const QByteArray& body, Completion done);

    // Every new TLS connection leaves a few kilobytes of session state with
    // the manager for as long as polls keep its connection in use; after this
    // many, the cache is dropped at the next moment nothing is in flight.
    static constexpr int connectionsBeforeReset = 16;

    const Options m_options;
    int m_inFlight = 0;
    int m_newConnections = 0;
    std::optional<QSslConfiguration> m_tls; // set only when tests add a CA
    QNetworkAccessManager m_network;
};
