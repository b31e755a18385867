#pragma once

#include "usage/UsageFetch.h"

#include <functional>

// Something that fetches the plan-usage reply. The view model asks one for
// every refresh; the account-service client is the real one, tests bring
// their own.
class UsageSource
{
public:
    using Completion = std::function<void(UsageFetch)>;

    virtual ~UsageSource() = default;

    // Starts one fetch and returns at once. `done` runs later on the calling
    // (main) thread with how the fetch ended. Fetches may overlap and
    // complete in any order. Destroying the source drops the completions of
    // fetches still in flight.
    virtual void fetchUsage(Completion done) = 0;
};
