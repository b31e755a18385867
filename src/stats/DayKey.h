#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// The statistics file names its days "yyyy-MM-dd": ASCII digits, Gregorian
// calendar, whatever the user's locale. Everything that matches or reads a
// day goes through here.
namespace DayKey {

QString of(QDate day);

// The day a key names; an invalid date for any other text.
QDate parse(QStringView key);

// The first entry for the day in file order (a later entry for the same day
// is ignored), or nothing.
template <typename Day> std::optional<Day> find(const QList<Day>& days, const QString& key)
{
    for (const Day& day : days) {
        if (day.date == key)
            return day;
    }
    return std::nullopt;
}

} // namespace DayKey
