#include "model/UsageFigures.h"

#include <cmath>

std::optional<qint64> UsageFigures::wholePercent(double percent)
{
    const double truncated = std::trunc(percent);
    if (!std::isfinite(truncated) || truncated >= 0x1p63 || truncated < -0x1p63)
        return std::nullopt;
    return static_cast<qint64>(truncated);
}

UsageFigures::Level UsageFigures::level(double percent)
{
    if (percent >= 90)
        return Level::Critical;
    if (percent >= 70)
        return Level::Warning;
    return Level::Normal;
}

NamedColor UsageFigures::color(Level level)
{
    switch (level) {
    case Level::Critical:
        return NamedColor::Red;
    case Level::Warning:
        return NamedColor::Orange;
    case Level::Normal:
        break;
    }
    return NamedColor::Blue;
}
