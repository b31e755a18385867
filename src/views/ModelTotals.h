#pragma once

#include "stats/StatsCache.h"

// The breakdown's figures for one model. Sums saturate at the 64-bit limits
// instead of overflowing on a hostile file.
namespace ModelTotals {

// Input, cache reads and cache creations: everything the model was sent.
qint64 in(const ModelUsage& usage);
// Everything: input, output, cache reads and cache creations.
qint64 total(const ModelUsage& usage);

} // namespace ModelTotals
