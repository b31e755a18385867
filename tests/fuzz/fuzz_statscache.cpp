#include "stats/StatsCache.h"

// Decodes, and sums what the panel sums.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto cache = StatsCache::decode(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    volatile qint64 sum = 0;
    for (const DailyModelTokens& day : cache ? cache->dailyModelTokens : QList<DailyModelTokens>())
        sum = sum ^ day.totalTokens();
    return 0;
}
