#pragma once

#include <QByteArrayView>
#include <QDateTime>

#include <chrono>
#include <optional>

namespace RetryAfter {

// The wait a Retry-After field announces, counted from `now`: a number of
// seconds, or an HTTP-date (any of the three forms HTTP allows). A date not
// ahead of `now` gives zero. Absent for anything else. Very long waits
// saturate rather than overflow; capping them is the caller's policy.
std::optional<std::chrono::seconds> parse(QByteArrayView value, const QDateTime& now);

} // namespace RetryAfter
