#include "model/TokenFormatter.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// value / divisor with one decimal and a suffix. This is the one place K, M
// and B are written.
QString scaled(double value, double divisor, char suffix, bool dropWholeDecimal = false)
{
    QString text = TokenFormatter::fixed(value / divisor, 1);
    if (dropWholeDecimal && text.endsWith(QLatin1String(".0")))
        text.chop(2);
    return text + QLatin1Char(suffix);
}

} // namespace

QString TokenFormatter::fixed(double value, int decimals)
{
    // std::to_chars ignores the C locale (which a German session sets to a
    // decimal comma) and rounds the exact binary value, ties to even, as
    // printf's "%.Nf" does. The largest double has 309 digits.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                                      std::clamp(decimals, 0, 20));
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

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
