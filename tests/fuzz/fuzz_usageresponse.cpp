#include "usage/UsageResponse.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto reply = UsageResponse::decode(bytes)) {
        const QDateTime now = QDateTime::fromMSecsSinceEpoch(1762232399943, Qt::UTC);
        for (const auto& window : {reply->fiveHour, reply->sevenDay, reply->sevenDayOauthApps, reply->sevenDayOpus,
                                   reply->sevenDaySonnet, reply->sevenDayCowork}) {
            if (window)
                (void)window->timeUntilReset(now);
        }
    }
    return 0;
}
