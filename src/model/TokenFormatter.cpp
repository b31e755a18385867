#include "model/TokenFormatter.h"

#include <QLocale>

#include <charconv>
#include <cmath>

namespace {

// value / divisor with one decimal and a suffix. std::to_chars ignores the C
// locale (which a German session sets to a decimal comma) and rounds the
// exact binary value, ties to even, as printf's "%.1f" does. This is the one
// place K, M and B are written.
QString scaled(double value, double divisor, char suffix, bool dropWholeDecimal = false)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer - 1, value / divisor, std::chars_format::fixed, 1);
    char* end = result.ptr;
    if (dropWholeDecimal && end - buffer >= 2 && end[-2] == '.' && end[-1] == '0')
        end -= 2;
    *end++ = suffix;
    return QString::fromLatin1(buffer, end - buffer);
}

} // namespace

QString TokenFormatter::format(qint64 n)
{
    const double value = static_cast<double>(n);
    if (n >= 1'000'000'000)
        return scaled(value, 1e9, 'B');
    if (n >= 1'000'000)
        return scaled(value, 1e6, 'M');
    if (n >= 1'000)
        return scaled(value, 1000.0, 'K');
    return QString::number(n);
}

QString TokenFormatter::formatCount(qint64 n)
{
    const double value = static_cast<double>(n);
    if (n >= 1'000'000)
        return scaled(value, 1e6, 'M');
    if (n >= 10'000)
        return scaled(value, 1000.0, 'K');
    const QString grouped = QLocale().toString(n);
    return grouped.isEmpty() ? QString::number(n) : grouped;
}

QString TokenFormatter::formatAxisValue(double value)
{
    const double magnitude = std::abs(value);
    if (magnitude >= 1e9)
        return scaled(value, 1e9, 'B', true);
    if (magnitude >= 1e6)
        return scaled(value, 1e6, 'M', true);
    if (magnitude >= 1e3)
        return scaled(value, 1e3, 'K', true);
    return QString::number(value, 'f', 0);
}
