#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

// The account service's plan-usage reply. Every member may be absent; a
// member of the wrong JSON type rejects the whole reply.

// One rate-limit window.
struct UsageWindow
{
    std::optional<double> utilization; // percent of the limit used
    std::optional<QString> resetsAt;   // kept as sent; parsed on demand

    // "now", "42 min" or "3 hr 5 min" until the window resets, from `now`;
    // absent when there is no reset time or it is not an RFC 3339 date-time
    // with fractional seconds.
    std::optional<QString> timeUntilReset(const QDateTime& now) const;

    bool operator==(const UsageWindow&) const = default;
    static bool fromJson(const QJsonObject& object, UsageWindow& out);
};

struct ExtraUsage
{
    std::optional<bool> isEnabled;
    std::optional<qint64> monthlyLimit;
    std::optional<double> usedCredits;
    std::optional<double> utilization;

    bool operator==(const ExtraUsage&) const = default;
    static bool fromJson(const QJsonObject& object, ExtraUsage& out);
};

struct UsageResponse
{
    std::optional<UsageWindow> fiveHour;
    std::optional<UsageWindow> sevenDay;
    std::optional<UsageWindow> sevenDayOauthApps;
    std::optional<UsageWindow> sevenDayOpus;
    std::optional<UsageWindow> sevenDaySonnet;
    std::optional<UsageWindow> sevenDayCowork;
    std::optional<ExtraUsage> extraUsage;

    bool operator==(const UsageResponse&) const = default;
    static bool fromJson(const QJsonObject& object, UsageResponse& out);

    // The whole reply, or nothing when any part of it is malformed.
    static std::optional<UsageResponse> decode(const QByteArray& bytes);
};
