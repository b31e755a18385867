#include "model/UsageFigures.h"

#include "common/InternetDateTime.h"

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

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

std::optional<double> UsageFigures::elapsedShare(const UsageWindow& window, std::chrono::seconds length,
                                                 const QDateTime& now)
{
    if (!window.resetsAt)
        return std::nullopt;
    const std::optional<QDateTime> reset = InternetDateTime::parse(*window.resetsAt);
    if (!reset)
        return std::nullopt;
    const qint64 leftMs = now.msecsTo(*reset);
    if (leftMs <= 0)
        return std::nullopt;
    const double lengthMs = std::chrono::duration<double, std::milli>(length).count();
    return std::clamp((lengthMs - double(leftMs)) / lengthMs, 0.0, 1.0);
}

QString UsageFigures::paceText(double utilization, double elapsedShare)
{
    const double ahead = std::round(utilization - 100 * elapsedShare);
    if (!std::isfinite(ahead) || ahead == 0)
        return u"on an even pace"_s;
    const QString figure = QString::number(std::abs(ahead), 'f', 0);
    return ahead > 0 ? figure + u" % ahead of an even pace"_s : figure + u" % behind"_s;
}
