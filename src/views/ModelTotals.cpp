#include "views/ModelTotals.h"

#include <limits>

namespace {

qint64 add(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}

} // namespace

qint64 ModelTotals::in(const ModelUsage& usage)
{
    return add(add(usage.inputTokens, usage.cacheReadInputTokens), usage.cacheCreationInputTokens);
}

qint64 ModelTotals::total(const ModelUsage& usage)
{
    return add(add(add(usage.inputTokens, usage.outputTokens), usage.cacheReadInputTokens),
               usage.cacheCreationInputTokens);
}
