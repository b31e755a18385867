#pragma once

#include "usage/UsageResponse.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// Desktop alerts before a plan limit stops the work: when the five-hour or
// the weekly all-models figure reaches 90 % and when it reaches 100 %, once
// each per window cycle (a cycle is known by its reset time), and once when
// a window that had reached 90 % starts afresh. Held in memory only: a
// restart may alert again, which beats missing a limit.
class LimitAlerts
{
public:
    enum class Limit { Session, Weekly };
    enum class Kind {
        Nearly,  // 90 % or more
        Reached, // 100 % or more
        Reset,   // a new cycle after one that had reached 90 %
    };

    struct Alert
    {
        Limit limit;
        Kind kind;
        QString summary; // "Current session at 93%"
        QString body;    // "Resets in 2 hr 5 min."
        bool operator==(const Alert&) const = default;
    };

    // The alerts that the figures now shown call for. `kept` figures (the
    // last known ones, kept through a rate-limit wait) call for none, and
    // absent figures change nothing.
    QList<Alert> update(const std::optional<UsageResponse>& usage, bool kept, const QDateTime& now);

private:
    struct Cycle
    {
        std::optional<QDateTime> resetsAt;
        bool nearly = false;
        bool reached = false;
    };

    void follow(Limit limit, const UsageWindow& window, const QDateTime& now, QList<Alert>& out);

    std::array<std::optional<Cycle>, 2> m_cycles;
};
