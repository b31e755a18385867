#include "usage/UsageResponse.h"

// Decodes, and works out every window's time until reset: never an empty text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto reply = UsageResponse::decode(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(1762232399943, Qt::UTC);
    for (const auto& window : reply ? QList{reply->fiveHour, reply->sevenDay, reply->sevenDayOauthApps,
                                            reply->sevenDayOpus, reply->sevenDaySonnet, reply->sevenDayCowork}
                                    : QList<std::optional<UsageWindow>>())
        if (window && window->timeUntilReset(now) == QString())
            __builtin_trap();
    return 0;
}
