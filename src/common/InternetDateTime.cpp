#include "common/InternetDateTime.h"

namespace {

// Reads exactly `count` ASCII digits at `pos`, advancing it.
bool readDigits(QStringView text, qsizetype& pos, int count, int& value)
{
    if (pos + count > text.size())
        return false;
    value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text[pos + i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    pos += count;
    return true;
}

bool expect(QStringView text, qsizetype& pos, char16_t c)
{
    if (pos >= text.size() || text[pos].unicode() != c)
        return false;
    ++pos;
    return true;
}

} // namespace

std::optional<QDateTime> InternetDateTime::parse(QStringView text)
{
    qsizetype pos = 0;
    int year, month, day, hour, minute, second;
    if (!readDigits(text, pos, 4, year) || !expect(text, pos, u'-') || !readDigits(text, pos, 2, month)
        || !expect(text, pos, u'-') || !readDigits(text, pos, 2, day) || !expect(text, pos, u'T')
        || !readDigits(text, pos, 2, hour) || !expect(text, pos, u':') || !readDigits(text, pos, 2, minute)
        || !expect(text, pos, u':') || !readDigits(text, pos, 2, second) || !expect(text, pos, u'.'))
        return std::nullopt;

    // One or more fraction digits; the first three give the milliseconds.
    int millis = 0;
    int fractionDigits = 0;
    while (pos < text.size() && text[pos].unicode() >= u'0' && text[pos].unicode() <= u'9') {
        if (fractionDigits < 3)
            millis = millis * 10 + (text[pos].unicode() - u'0');
        ++fractionDigits;
        ++pos;
    }
    if (fractionDigits == 0)
        return std::nullopt;
    for (int i = fractionDigits; i < 3; ++i)
        millis *= 10;

    int offsetSeconds = 0;
    if (pos >= text.size())
        return std::nullopt;
    const char16_t zone = text[pos++].unicode();
    if (zone == u'+' || zone == u'-') {
        int offsetHours, offsetMinutes;
        if (!readDigits(text, pos, 2, offsetHours) || !expect(text, pos, u':')
            || !readDigits(text, pos, 2, offsetMinutes) || offsetHours > 23 || offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds = (offsetHours * 60 + offsetMinutes) * 60 * (zone == u'-' ? -1 : 1);
    } else if (zone != u'Z') {
        return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;

    // Year 0000 has no QDate (the proleptic calendar skips it); treat it as malformed.
    const QDate date(year, month, day);
    if (year == 0 || !date.isValid() || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;

    // The wall time less its offset is the moment in UTC.
    return QDateTime(date, QTime(hour, minute, second, millis), Qt::UTC).addSecs(-offsetSeconds);
}
