#pragma once

#include "model/NamedColor.h"

#include <QtGlobal>

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

} // namespace UsageFigures
