#include "usage/RetryGate.h"

#include <algorithm>

RetryGate RetryGate::after(const UsageFetch& fetch, const QDateTime& now) const
{
    using Outcome = UsageFetch::Outcome;
    RetryGate next = *this;
    if (fetch.outcome == Outcome::Ok) {
        next.backoff = firstBackoff;
        return next;
    }
    const bool limited = fetch.outcome == Outcome::RateLimited;
    const bool unavailable = fetch.outcome == Outcome::Refused && fetch.httpStatus == 503;
    if (!limited && !unavailable)
        return next;

    std::optional<std::chrono::seconds> wait;
    // Zero (also what a date already past gives) would mean "ask again at
    // once", which is exactly what keeps a client locked out.
    if (fetch.retryAfter && *fetch.retryAfter > std::chrono::seconds::zero())
        wait = std::min(*fetch.retryAfter, longestWait);
    if (limited) {
        if (!wait)
            wait = backoff;
        next.backoff = std::min(backoff * 2, longestBackoff);
    }
    if (!wait)
        return next;
    const QDateTime until = now.addSecs(wait->count());
    if (!next.waitUntil || until > *next.waitUntil)
        next.waitUntil = until;
    return next;
}
