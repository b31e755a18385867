#pragma once

#include "usage/UsageSource.h"

#include <QList>

// Holds every fetch open until the test completes it, in any order.
class FakeUsageSource final : public UsageSource
{
public:
    void fetchUsage(Completion done) override { m_pending.append(std::move(done)); }

    qsizetype pending() const { return m_pending.size(); }
    qsizetype started() const { return m_started + m_pending.size(); }

    // Completes the `index`-th of the fetches still open: with the fetch given,
    // the reply given, or no reply as a fetch that found no connection.
    void complete(qsizetype index, UsageFetch fetch)
    {
        ++m_started;
        m_pending.takeAt(index)(std::move(fetch));
    }
    void complete(qsizetype index, std::optional<UsageResponse> reply)
    {
        complete(index, reply ? UsageFetch::ok(std::move(*reply))
                              : UsageFetch::failed(UsageFetch::Outcome::NoConnection));
    }

private:
    QList<Completion> m_pending;
    qsizetype m_started = 0;
};
