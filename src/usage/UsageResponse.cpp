#include "usage/UsageResponse.h"

#include "common/InternetDateTime.h"
#include "common/StrictJson.h"

using namespace Qt::Literals::StringLiterals;

std::optional<QString> UsageWindow::timeUntilReset(const QDateTime& now) const
{
    if (!resetsAt)
        return std::nullopt;
    const std::optional<QDateTime> reset = InternetDateTime::parse(*resetsAt);
    if (!reset)
        return std::nullopt;
    const qint64 ms = now.msecsTo(*reset);
    if (ms <= 0)
        return u"now"_s;
    const qint64 seconds = ms / 1000;
    const qint64 hours = seconds / 3600;
    const qint64 minutes = (seconds % 3600) / 60;
    if (seconds < 3600)
        return QString::number(minutes) + u" min"_s;
    return QString::number(hours) + u" hr "_s + QString::number(minutes) + u" min"_s;
}

bool UsageWindow::fromJson(const QJsonObject& object, UsageWindow& out)
{
    StrictJson::Reader r(object);
    r.optional("utilization"_L1, out.utilization);
    r.optional("resets_at"_L1, out.resetsAt);
    return r.ok();
}

bool ExtraUsage::fromJson(const QJsonObject& object, ExtraUsage& out)
{
    StrictJson::Reader r(object);
    r.optional("is_enabled"_L1, out.isEnabled);
    r.optional("monthly_limit"_L1, out.monthlyLimit);
    r.optional("used_credits"_L1, out.usedCredits);
    r.optional("utilization"_L1, out.utilization);
    return r.ok();
}

bool UsageResponse::fromJson(const QJsonObject& object, UsageResponse& out)
{
    StrictJson::Reader r(object);
    r.optional("five_hour"_L1, out.fiveHour);
    r.optional("seven_day"_L1, out.sevenDay);
    r.optional("seven_day_oauth_apps"_L1, out.sevenDayOauthApps);
    r.optional("seven_day_opus"_L1, out.sevenDayOpus);
    r.optional("seven_day_sonnet"_L1, out.sevenDaySonnet);
    r.optional("seven_day_cowork"_L1, out.sevenDayCowork);
    r.optional("extra_usage"_L1, out.extraUsage);
    return r.ok();
}

std::optional<UsageResponse> UsageResponse::decode(const QByteArray& bytes)
{
    const std::optional<QJsonObject> root = StrictJson::parseObject(bytes);
    if (!root)
        return std::nullopt;
    UsageResponse response;
    if (!fromJson(*root, response))
        return std::nullopt;
    return response;
}
