#include "stats/DayKey.h"

namespace {
constexpr QStringView format = u"yyyy-MM-dd";
}

// QDate's own formats use the C locale: the same digits everywhere.
QString DayKey::of(QDate day)
{
    return day.toString(format);
}

QDate DayKey::parse(QStringView key)
{
    return QDate::fromString(key.toString(), format);
}
