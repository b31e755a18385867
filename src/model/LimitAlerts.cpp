#include "model/LimitAlerts.h"

#include "common/InternetDateTime.h"
#include "model/UsageFigures.h"

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

// The service writes a window's reset time afresh in every reply; a minute's
// difference is still the same window.
constexpr qint64 sameCycleMs = 60'000;

QString nameOf(LimitAlerts::Limit limit)
{
    return limit == LimitAlerts::Limit::Session ? u"Current session"_s : u"Weekly limit"_s;
}

bool sameCycle(const std::optional<QDateTime>& a, const std::optional<QDateTime>& b)
{
    if (!a || !b)
        return !a && !b;
    return std::llabs(a->msecsTo(*b)) <= sameCycleMs;
}

QString resetsIn(const UsageWindow& window, const QDateTime& now)
{
    const std::optional<QString> left = window.timeUntilReset(now);
    return left ? u"Resets in "_s + *left + u'.' : QString();
}

} // namespace

QList<LimitAlerts::Alert> LimitAlerts::update(const std::optional<UsageResponse>& usage, bool kept,
                                              const QDateTime& now)
{
    QList<Alert> alerts;
    if (!usage || kept)
        return alerts;
    if (usage->fiveHour)
        follow(Limit::Session, *usage->fiveHour, now, alerts);
    if (usage->sevenDay)
        follow(Limit::Weekly, *usage->sevenDay, now, alerts);
    return alerts;
}

void LimitAlerts::follow(Limit limit, const UsageWindow& window, const QDateTime& now, QList<Alert>& out)
{
    if (!window.utilization)
        return;
    const std::optional<qint64> percent = UsageFigures::wholePercent(*window.utilization);
    if (!percent)
        return;
    const QString figure = QString::number(*percent) + u'%';

    std::optional<Cycle>& cycle = m_cycles[limit == Limit::Session ? 0 : 1];
    const std::optional<QDateTime> resetsAt = window.resetsAt ? InternetDateTime::parse(*window.resetsAt) : std::nullopt;
    if (!cycle || !sameCycle(cycle->resetsAt, resetsAt)) {
        if (cycle && (cycle->nearly || cycle->reached))
            out.append({limit, Kind::Reset, nameOf(limit) + u" has reset"_s, u"Now "_s + figure + u" used."_s});
        cycle = Cycle{resetsAt};
    }

    // A first look at a full window tells of the full window alone.
    if (*window.utilization >= 100 && !cycle->reached) {
        cycle->reached = cycle->nearly = true;
        const QString reached = limit == Limit::Session ? u"Current session limit reached"_s : u"Weekly limit reached"_s;
        out.append({limit, Kind::Reached, reached,
                    (figure + u" used. "_s + resetsIn(window, now)).trimmed()});
    } else if (*window.utilization >= 90 && !cycle->nearly) {
        cycle->nearly = true;
        out.append({limit, Kind::Nearly, nameOf(limit) + u" at "_s + figure, resetsIn(window, now)});
    }
}
