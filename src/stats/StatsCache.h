#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// The statistics Claude Code keeps in ~/.claude/stats-cache.json, as plain
// values. Each record decodes strictly: one bad field anywhere rejects the
// whole document, so a partial StatsCache never exists.

// One day's activity. `date` is the day as "yyyy-MM-dd" and is its identity.
struct DailyActivity
{
    QString date;
    qint64 messageCount = 0;
    qint64 sessionCount = 0;
    qint64 toolCallCount = 0;

    const QString& id() const { return date; }
    bool operator==(const DailyActivity&) const = default;
    static bool fromJson(const QJsonObject& object, DailyActivity& out);
};

// One day's tokens by model identifier.
struct DailyModelTokens
{
    QString date;
    QList<std::pair<QString, qint64>> tokensByModel; // in key order

    const QString& id() const { return date; }
    // Sum over every model; saturates instead of overflowing.
    qint64 totalTokens() const;
    bool operator==(const DailyModelTokens&) const = default;
    static bool fromJson(const QJsonObject& object, DailyModelTokens& out);
};

// Cumulative usage of one model.
struct ModelUsage
{
    qint64 inputTokens = 0;
    qint64 outputTokens = 0;
    qint64 cacheReadInputTokens = 0;
    qint64 cacheCreationInputTokens = 0;
    std::optional<qint64> webSearchRequests;
    std::optional<double> costUSD;
    std::optional<qint64> contextWindow;
    std::optional<qint64> maxOutputTokens;

    // Everything the model was sent: input, cache reads and cache creations.
    qint64 inTokens() const;
    // Input, output, cache reads and cache creations. Both sums saturate.
    qint64 totalTokens() const;

    bool operator==(const ModelUsage&) const = default;
    static bool fromJson(const QJsonObject& object, ModelUsage& out);
};

struct LongestSession
{
    QString sessionId;
    qint64 duration = 0;
    qint64 messageCount = 0;
    QString timestamp;

    bool operator==(const LongestSession&) const = default;
    static bool fromJson(const QJsonObject& object, LongestSession& out);
};

struct StatsCache
{
    qint64 version = 0;
    QString lastComputedDate;
    QList<DailyActivity> dailyActivity;
    QList<DailyModelTokens> dailyModelTokens;
    QMap<QString, ModelUsage> modelUsage;
    qint64 totalSessions = 0;
    qint64 totalMessages = 0;
    std::optional<LongestSession> longestSession;
    std::optional<QString> firstSessionDate;
    std::optional<QMap<QString, qint64>> hourCounts;
    std::optional<qint64> totalSpeculationTimeSavedMs;

    bool operator==(const StatsCache&) const = default;
    static bool fromJson(const QJsonObject& object, StatsCache& out);

    // The whole document, or nothing when any part of it is malformed.
    static std::optional<StatsCache> decode(const QByteArray& bytes);
};
