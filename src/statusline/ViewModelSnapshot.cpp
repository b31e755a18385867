#include "statusline/ViewModelSnapshot.h"

#include "model/StatsViewModel.h"

namespace {

std::optional<StatusSnapshot::Window> windowOf(const std::optional<UsageWindow>& window, const QDateTime& now)
{
    if (!window)
        return std::nullopt;
    return StatusSnapshot::Window{window->utilization, window->timeUntilReset(now)};
}

} // namespace

ViewModelSnapshot::UsageState ViewModelSnapshot::usageState(const StatsViewModel& viewModel)
{
    // Figures kept through a rate-limit wait are stale; the reason says since
    // when and until when, or why there are none.
    if (viewModel.usage())
        return {viewModel.usageStatus().kept ? StatusSnapshot::State::Kept : StatusSnapshot::State::Fresh,
                viewModel.usageToolTip()};
    return {StatusSnapshot::State::Missing, viewModel.usageToolTip()};
}

StatusSnapshot ViewModelSnapshot::take(const StatsViewModel& viewModel)
{
    StatusSnapshot snapshot;
    snapshot.label = viewModel.menuBarLabel();
    if (const std::optional<UsageResponse>& usage = viewModel.usage()) {
        const QDateTime now = viewModel.clock().now();
        snapshot.fiveHour = windowOf(usage->fiveHour, now);
        snapshot.weekly = windowOf(usage->sevenDay, now);
    }
    // Today's figures as the panel's card shows them: zero on a day without
    // an entry, absent only without statistics.
    if (viewModel.stats()) {
        const std::optional<DailyModelTokens> tokens = viewModel.todayModelTokens();
        const std::optional<DailyActivity> activity = viewModel.todayActivity();
        snapshot.todayTokens = tokens ? tokens->totalTokens() : 0;
        snapshot.todayMessages = activity ? activity->messageCount : 0;
    }
    const UsageState usage = usageState(viewModel);
    snapshot.state = usage.state;
    snapshot.reason = usage.reason;
    return snapshot;
}
