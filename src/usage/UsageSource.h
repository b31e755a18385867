#pragma once

#include "usage/UsageResponse.h"

#include <functional>
#include <optional>

// Something that fetches the plan-usage reply. The view model asks one for
// every refresh; the account-service client is the real one, tests bring
// their own.
class UsageSource
{
public:
    using Completion = std::function<void(std::optional<UsageResponse>)>;

    virtual ~UsageSource() = default;

    // Starts one fetch and returns at once. `done` runs later on the calling
    // (main) thread with the reply, or nothing on any failure. Fetches may
    // overlap and complete in any order. Destroying the source drops the
    // completions of fetches still in flight.
    virtual void fetchUsage(Completion done) = 0;
};
