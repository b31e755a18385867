#include "usage/RetryAfter.h"

#include <curl/curl.h>

#include <string>

namespace {

// Far beyond any cap a caller applies, far below any overflow.
constexpr qint64 longest = qint64(1) << 40;

} // namespace

std::optional<std::chrono::seconds> RetryAfter::parse(QByteArrayView value, const QDateTime& now)
{
    const QByteArrayView text = value.trimmed();
    if (text.isEmpty())
        return std::nullopt;

    // delta-seconds: digits only, no sign, no fraction.
    bool digitsOnly = true;
    qint64 seconds = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            digitsOnly = false;
            break;
        }
        seconds = std::min(longest, seconds * 10 + (c - '0'));
    }
    if (digitsOnly)
        return std::chrono::seconds(seconds);

    // An HTTP-date. curl's parser takes IMF-fixdate, RFC 850 and asctime
    // alike, and is independent of the local time zone.
    const std::string date(text.data(), size_t(text.size()));
    const time_t moment = curl_getdate(date.c_str(), nullptr);
    if (moment == time_t(-1))
        return std::nullopt;
    const qint64 ahead = qint64(moment) - now.toSecsSinceEpoch();
    return std::chrono::seconds(std::clamp<qint64>(ahead, 0, longest));
}
