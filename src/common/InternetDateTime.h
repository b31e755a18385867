#pragma once

#include <QDateTime>
#include <QStringView>

#include <optional>

// Strict RFC 3339 date-time with mandatory fractional seconds, as the account
// service and the statistics file write them:
//   2025-11-04T04:59:59.943648+00:00   2025-12-31T07:42:12.696Z
// Upper-case T and Z only, one or more fraction digits, zone Z or +hh:mm/-hh:mm.
// Anything else (no fraction, a space for T, no zone, ...) is refused. The
// moment keeps millisecond precision; further digits are dropped.
namespace InternetDateTime {
std::optional<QDateTime> parse(QStringView text);
}
