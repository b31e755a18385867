#pragma once

#include <QDateTime>
#include <QString>

namespace DateFormats {

// The moment's local calendar day in the medium date style of the user's
// locale: "Jan 5, 2025" in US English, "05.01.2025" in German.
QString mediumDate(const QDateTime& moment);

// The moment's local time of day in the user's locale, without seconds:
// "3:42 PM", "15:42".
QString shortTime(const QDateTime& moment);

} // namespace DateFormats
