#include "stats/StatsCache.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto cache = StatsCache::decode(bytes)) {
        // Touch what the panel derives from a decoded file.
        qint64 sum = 0;
        for (const DailyModelTokens& day : cache->dailyModelTokens)
            sum ^= day.totalTokens();
        volatile qint64 sink = sum;
        (void)sink;
    }
    return 0;
}
