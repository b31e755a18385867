#include "model/DateFormats.h"

#include <QLocale>
#include <QRegularExpression>

#include <unicode/udat.h>
#include <unicode/uloc.h>

#include <memory>

namespace {

// ICU's identifier for the user's locale (Qt's "C" is ICU's POSIX locale).
QByteArray icuLocaleId()
{
    const QLocale locale;
    if (locale.language() == QLocale::C)
        return QByteArrayLiteral("en_US_POSIX");
    const QByteArray tag = locale.bcp47Name().toLatin1();
    char id[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_forLanguageTag(tag.constData(), id, sizeof id, nullptr, &status);
    return U_SUCCESS(status) ? QByteArray(id) : tag;
}

} // namespace

// QLocale has no medium date style; ICU (already under Qt) has the CLDR one.
// Qt decides the local calendar day; ICU then formats that day at noon UTC,
// so the two libraries never have to agree on time zones.
QString DateFormats::mediumDate(const QDateTime& moment)
{
    const QDate day = moment.toLocalTime().date();
    const auto fallback = [&day] { return QLocale().toString(day, QLocale::ShortFormat); };

    static const char16_t utc[] = u"UTC";
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UDateFormat, decltype(&udat_close)> format(
        udat_open(UDAT_NONE, UDAT_MEDIUM, icuLocaleId().constData(), reinterpret_cast<const UChar*>(utc), -1,
                  nullptr, 0, &status),
        &udat_close);
    if (U_FAILURE(status) || !format)
        return fallback();

    const QDateTime noon(day, QTime(12, 0), Qt::UTC);
    UChar buffer[128];
    status = U_ZERO_ERROR;
    const int32_t length = udat_format(format.get(), static_cast<UDate>(noon.toMSecsSinceEpoch()), buffer,
                                       static_cast<int32_t>(std::size(buffer)), nullptr, &status);
    if (U_FAILURE(status) || length <= 0)
        return fallback();
    return QString(reinterpret_cast<const QChar*>(buffer), length);
}

QString DateFormats::shortTime(const QDateTime& moment)
{
    // Some locales' short time (the C locale's among them) still shows seconds.
    const QLocale locale;
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QRegularExpression(QStringLiteral("[:.]?ss")));
    return locale.toString(moment.toLocalTime().time(), format);
}
