#pragma once

#include "usage/UsageResponse.h"

#include <chrono>
#include <optional>

// How one plan-usage fetch ended. Carries the reply on success and, on
// failure, only what explains it: never the token, never a body.
struct UsageFetch
{
    enum class Outcome {
        Ok,            // a 200 whose body decoded; `reply` holds it
        NoCredential,  // no usable sign-in stored: nothing was sent
        SignInExpired, // the stored sign-in has expired: nothing was sent
        RateLimited,   // 429: the service refuses for now
        Refused,       // any other status but 200; see `httpStatus`
        NoConnection,  // no answer: network, TLS, time-out, a reset stream
        BadReply,      // an answer that could not be taken (malformed, oversized)
    };

    Outcome outcome = Outcome::NoConnection;
    std::optional<UsageResponse> reply;
    int httpStatus = 0; // the answer's status, 0 when none came
    // The wait the answer's Retry-After announced, from the moment it
    // arrived; zero for a moment already past. Absent when the field was
    // missing or not a delay or date.
    std::optional<std::chrono::seconds> retryAfter;

    static UsageFetch ok(UsageResponse reply) { return {Outcome::Ok, std::move(reply), 200, std::nullopt}; }
    static UsageFetch failed(Outcome outcome, int httpStatus = 0) { return {outcome, std::nullopt, httpStatus, std::nullopt}; }

    bool operator==(const UsageFetch&) const = default;
};
