#pragma once

#include "common/Clock.h"
#include "usage/UsageSource.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>
#include <unordered_map>

class CurlMulti;

// The account service's plan-usage endpoint over libcurl. Every fetch looks
// the OAuth credential up afresh off the main thread, then sends one GET
// through this client's long-lived multi handle, so the 5-second polls (and
// the two fetches at start) share one connection. Lives on the main thread;
// the transfers run from its event loop and completions arrive there too.
class UsageAPIClient final : public QObject, public UsageSource
{
    Q_OBJECT

public:
    // Only tests change these.
    struct Options
    {
        QUrl endpoint = usageURL();
        QString credentialsPath; // empty: the platform's own store
        QByteArray extraCaPem;   // PEM certificates trusted besides the system's roots
        std::chrono::seconds idleTimeout{60};     // the transfer fails after this long without data
        std::chrono::milliseconds deadline{90000}; // and after this long in all, however it trickles
        std::shared_ptr<const Clock> clock = Clock::system(); // judges sign-in expiry and Retry-After dates
    };

    static const QUrl& usageURL();

    // Bodies beyond this are abandoned: real replies are under 1 KiB.
    static constexpr qint64 maxReplySize = 1024 * 1024;
    // So is a header section beyond this (all of an answer's header lines,
    // interim answers included): real ones are under 2 KiB.
    static constexpr qint64 maxHeaderSize = 64 * 1024;

    explicit UsageAPIClient(QObject* parent = nullptr);
    explicit UsageAPIClient(Options options, QObject* parent = nullptr);
    // Abandons the fetches still in flight without calling them back.
    ~UsageAPIClient() override;

    void fetchUsage(Completion done) override;

private:
    struct Transfer;

    void send(const QString& token, Completion done);
    void finish(Transfer* transfer, int result);
    void complete(Completion done, UsageFetch fetch);

    const Options m_options;
    const QByteArray m_endpoint; // as curl takes it
    std::unique_ptr<CurlMulti> m_multi;
    std::unordered_map<Transfer*, std::unique_ptr<Transfer>> m_transfers;
};
