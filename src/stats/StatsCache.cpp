#include "stats/StatsCache.h"

#include "common/SaturatingSum.h"
#include "common/StrictJson.h"

using namespace Qt::Literals::StringLiterals;

bool DailyActivity::fromJson(const QJsonObject& object, DailyActivity& out)
{
    StrictJson::Reader r(object);
    r.required("date"_L1, out.date);
    r.required("messageCount"_L1, out.messageCount);
    r.required("sessionCount"_L1, out.sessionCount);
    r.required("toolCallCount"_L1, out.toolCallCount);
    return r.ok();
}

qint64 DailyModelTokens::totalTokens() const
{
    SaturatingSum total;
    for (const auto& [model, tokens] : tokensByModel)
        total.add(tokens);
    return total.value();
}

bool DailyModelTokens::fromJson(const QJsonObject& object, DailyModelTokens& out)
{
    StrictJson::Reader r(object);
    r.required("date"_L1, out.date);
    r.required("tokensByModel"_L1, out.tokensByModel);
    return r.ok();
}

qint64 ModelUsage::inTokens() const
{
    return SaturatingSum().add(inputTokens).add(cacheReadInputTokens).add(cacheCreationInputTokens).value();
}

qint64 ModelUsage::totalTokens() const
{
    return SaturatingSum()
        .add(inputTokens)
        .add(outputTokens)
        .add(cacheReadInputTokens)
        .add(cacheCreationInputTokens)
        .value();
}

bool ModelUsage::fromJson(const QJsonObject& object, ModelUsage& out)
{
    StrictJson::Reader r(object);
    r.required("inputTokens"_L1, out.inputTokens);
    r.required("outputTokens"_L1, out.outputTokens);
    r.required("cacheReadInputTokens"_L1, out.cacheReadInputTokens);
    r.required("cacheCreationInputTokens"_L1, out.cacheCreationInputTokens);
    r.optional("webSearchRequests"_L1, out.webSearchRequests);
    r.optional("costUSD"_L1, out.costUSD);
    r.optional("contextWindow"_L1, out.contextWindow);
    r.optional("maxOutputTokens"_L1, out.maxOutputTokens);
    return r.ok();
}

bool LongestSession::fromJson(const QJsonObject& object, LongestSession& out)
{
    StrictJson::Reader r(object);
    r.required("sessionId"_L1, out.sessionId);
    r.required("duration"_L1, out.duration);
    r.required("messageCount"_L1, out.messageCount);
    r.required("timestamp"_L1, out.timestamp);
    return r.ok();
}

bool StatsCache::fromJson(const QJsonObject& object, StatsCache& out)
{
    StrictJson::Reader r(object);
    r.required("version"_L1, out.version);
    r.required("lastComputedDate"_L1, out.lastComputedDate);
    r.required("dailyActivity"_L1, out.dailyActivity);
    r.required("dailyModelTokens"_L1, out.dailyModelTokens);
    r.required("modelUsage"_L1, out.modelUsage);
    r.required("totalSessions"_L1, out.totalSessions);
    r.required("totalMessages"_L1, out.totalMessages);
    r.optional("longestSession"_L1, out.longestSession);
    r.optional("firstSessionDate"_L1, out.firstSessionDate);
    r.optional("hourCounts"_L1, out.hourCounts);
    r.optional("totalSpeculationTimeSavedMs"_L1, out.totalSpeculationTimeSavedMs);
    return r.ok();
}

std::optional<StatsCache> StatsCache::decode(const QByteArray& bytes)
{
    const std::optional<QJsonObject> root = StrictJson::parseObject(bytes);
    if (!root)
        return std::nullopt;
    StatsCache cache;
    if (!fromJson(*root, cache))
        return std::nullopt;
    return cache;
}
