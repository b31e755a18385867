#pragma once

#include "common/Clock.h"
#include "stats/StatsCache.h"
#include "usage/RetryGate.h"
#include "usage/UsageFetch.h"
#include "usage/UsageResponse.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

class StatsFileWatcher;
class UsageSource;

// The application's one state object. It holds the decoded statistics file,
// the latest plan-usage reply and the time of the last refresh, keeps them
// current once started (file watcher, 30 s re-read, 5 s usage fetch), and
// works out everything the status item and the panel show. Main thread only.
class StatsViewModel : public QObject
{
    Q_OBJECT

public:
    // What tests replace; the defaults are the real things.
    struct Dependencies
    {
        std::shared_ptr<const Clock> clock = Clock::system();
        QString statsPath;                        // empty: ~/.claude/stats-cache.json
        std::shared_ptr<UsageSource> usageSource; // null: no usage figures
        std::chrono::milliseconds pollingInterval{30000};
        std::chrono::milliseconds usageInterval{5000};
    };

    // What the status item's tooltip needs to say about the usage figures,
    // so kept ones never pass for fresh ones and missing ones are explained.
    struct UsageStatus
    {
        std::optional<QDateTime> fetchedAt; // when the figures in usage() were fetched
        bool kept = false;                  // a 429 came since: they are the last ones known
        std::optional<QDateTime> waitUntil; // the service asked for no request before this (still ahead)
        // Why usage() is absent; nothing before the first fetch completes.
        std::optional<UsageFetch::Outcome> missingBecause;
        int httpStatus = 0; // the refusal's status, for Refused

        bool operator==(const UsageStatus&) const = default;
    };

    // The real things: the system clock, Claude Code's folder, the account service.
    static Dependencies defaultDependencies();

    explicit StatsViewModel(QObject* parent = nullptr);
    explicit StatsViewModel(Dependencies dependencies, QObject* parent = nullptr);
    ~StatsViewModel() override;

    // Published state. Every update (a load, a completed fetch) emits one
    // changed(), even when the values are equal to the old ones.
    const std::optional<StatsCache>& stats() const { return m_stats; }
    const std::optional<UsageResponse>& usage() const { return m_usage; }
    const std::optional<QDateTime>& lastRefresh() const { return m_lastRefresh; }

    // Loads now, fetches usage twice, and (re)places the watcher and both timers.
    void start();
    // Re-reads the statistics file, then starts a usage fetch.
    void refresh();
    // Starts one usage fetch, unless the service asked to wait and the wait
    // lasts; its result is published when it completes.
    void refreshUsage();

    // Derived values, worked out afresh on every call from the state and the clock.
    QString menuBarLabel() const;
    std::optional<qint64> sessionPercent() const;
    std::optional<QString> sessionResetLabel() const;
    std::optional<DailyActivity> todayActivity() const;
    std::optional<DailyModelTokens> todayModelTokens() const;
    QList<DailyActivity> last7DaysActivity() const;
    std::optional<QString> firstSessionFormatted() const;
    UsageStatus usageStatus() const;
    // One or two sentences for the status item's tooltip; empty while the
    // figures are fresh or before any fetch has completed.
    QString usageToolTip() const;

    const Clock& clock() const { return *m_clock; }

signals:
    void changed();

private:
    void loadStats();
    void publishUsage(const UsageFetch& fetch);
    QDate today() const;

    std::shared_ptr<const Clock> m_clock;
    QString m_statsPath;
    std::shared_ptr<UsageSource> m_usageSource;

    std::optional<StatsCache> m_stats;
    std::optional<UsageResponse> m_usage;
    std::optional<QDateTime> m_usageFetchedAt;
    bool m_usageKept = false;
    std::optional<UsageFetch> m_lastFailure; // the latest completed fetch, when it failed
    RetryGate m_retryGate;
    std::optional<QDateTime> m_lastRefresh;
    std::unique_ptr<StatsFileWatcher> m_watcher;
    QTimer m_pollingTimer;
    QTimer m_usageTimer;
};
