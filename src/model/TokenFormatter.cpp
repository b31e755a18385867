#include "model/TokenFormatter.h"

#include <QLocale>

#include <charconv>

namespace {

// n / divisor with one decimal and a suffix. std::to_chars ignores the C
// locale (which a German session sets to a decimal comma) and rounds the
// exact binary value, ties to even, as printf's "%.1f" does.
QString scaled(qint64 n, double divisor, char suffix)
{
    char buffer[64];
    const double value = static_cast<double>(n) / divisor;
    const auto result = std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::fixed, 1);
    *result.ptr = suffix;
    return QString::fromLatin1(buffer, result.ptr + 1 - buffer);
}

} // namespace

QString TokenFormatter::format(qint64 n)
{
    if (n >= 1'000'000'000)
        return scaled(n, 1e9, 'B');
    if (n >= 1'000'000)
        return scaled(n, 1e6, 'M');
    if (n >= 1'000)
        return scaled(n, 1000.0, 'K');
    return QString::number(n);
}

QString TokenFormatter::formatCount(qint64 n)
{
    if (n >= 1'000'000)
        return scaled(n, 1e6, 'M');
    if (n >= 10'000)
        return scaled(n, 1000.0, 'K');
    const QString grouped = QLocale().toString(n);
    return grouped.isEmpty() ? QString::number(n) : grouped;
}
