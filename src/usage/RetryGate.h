#pragma once

#include "usage/UsageFetch.h"

#include <QDateTime>

#include <chrono>
#include <optional>

// When the next usage request may go out. The service answers polling it
// too often with 429, sometimes with Retry-After, and a request sent inside
// the announced wait restarts it; so every 429 (and a 503 that names a wait)
// holds all requests back for a while. An immutable value: each completed
// fetch gives the next one.
struct RetryGate
{
    static constexpr std::chrono::seconds firstBackoff{10}; // a 429 that names no usable wait
    static constexpr std::chrono::seconds longestBackoff{300};
    static constexpr std::chrono::seconds longestWait{3600}; // whatever the service names

    std::optional<QDateTime> waitUntil; // no request before this moment
    // The wait of the next 429 that names no usable one: doubles with every
    // 429, back to the first after a 200.
    std::chrono::seconds backoff = firstBackoff;

    bool allows(const QDateTime& now) const { return !waitUntil || now >= *waitUntil; }

    // The gate once `fetch` has completed at `now`. A wait already announced
    // is never shortened, not even by a 200 to a request sent before it; a
    // 200 only restarts the doubling.
    RetryGate after(const UsageFetch& fetch, const QDateTime& now) const;

    bool operator==(const RetryGate&) const = default;
};
