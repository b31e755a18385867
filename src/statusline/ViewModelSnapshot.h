#pragma once

#include "statusline/StatusSnapshot.h"

class StatsViewModel;

// Reads a StatusSnapshot off the view model, with its clock.
namespace ViewModelSnapshot {

struct UsageState
{
    StatusSnapshot::State state;
    QString reason;
};

// Whether the view model's usage figures are fresh, kept or missing, and why.
UsageState usageState(const StatsViewModel& viewModel);

StatusSnapshot take(const StatsViewModel& viewModel);

} // namespace ViewModelSnapshot
