#pragma once

#include "model/NamedColor.h"
#include "usage/UsageResponse.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <chrono>
#include <optional>

// How a utilization figure (percent of a limit used) is shown, wherever it
// is shown: the whole number and the level that colours it.
namespace UsageFigures {

// Truncated toward zero, never rounded or clamped (42.9 is 42, 130 is 130);
// absent when there is no 64-bit whole part (not a number, infinite, or
// beyond the range).
std::optional<qint64> wholePercent(double percent);

enum class Level {
    Normal,   // below 70, or not a number
    Warning,  // from 70
    Critical, // from 90
};

// Compares the unrounded figure: 89.99 is a warning, 90 critical.
Level level(double percent);

// Blue, orange, red.
NamedColor color(Level level);

// The length of the rate-limit windows the reply carries.
inline constexpr std::chrono::seconds sessionWindow{5 * 3600};
inline constexpr std::chrono::seconds weeklyWindow{7 * 24 * 3600};

// How far through its window a limit is at `now`, from 0 (just begun) to 1
// (about to reset): the window's length less the time until it resets, as a
// share of the length. Absent without a reset time ahead (none given, not
// readable, or already past).
std::optional<double> elapsedShare(const UsageWindow& window, std::chrono::seconds length, const QDateTime& now);

// "12 % ahead of an even pace", "8 % behind" or "on an even pace": the
// utilization against the share of the window gone by, in whole percent.
QString paceText(double utilization, double elapsedShare);

} // namespace UsageFigures
