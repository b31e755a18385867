#include "common/StrictJson.h"

#include <QJsonDocument>

#include <algorithm>

namespace {

bool isNumberChar(char c)
{
    return (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}

// A negative number token that lies below -2^63 but would be kept as -2^63.
// Whole numbers are judged exactly by their digits (-9223372036854775807 is
// a fine count, though as a double it too is -2^63); any other spelling
// that lands on -2^63 is refused, as Qt refuses 9223372036854775807.0.
bool belowLowestInteger(QByteArrayView token)
{
    // A shorter token has too few digits to land on -2^63.
    if (token.size() < 17)
        return false;
    const QByteArrayView digits = token.sliced(1);
    if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        constexpr QByteArrayView lowest = "9223372036854775808";
        return digits.size() > lowest.size() || (digits.size() == lowest.size() && digits.compare(lowest) > 0);
    }
    bool ok = false;
    const double value = token.toDouble(&ok);
    return ok && value == -0x1p63;
}

// Qt keeps every number that rounds to a whole 64-bit value as that integer.
// Past 2^63 - 1 none does, so a count beyond the range stays a double and is
// refused; below, -9223372036854775809 and its like round to exactly -2^63
// and would pass as that integer. Only the integer's own spelling may stand
// for -2^63. Looks at number tokens only, never inside strings.
bool roundsOntoLowestInteger(const QByteArray& json)
{
    const qsizetype size = json.size();
    bool inString = false;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = json[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '-') {
            qsizetype end = i + 1;
            while (end < size && isNumberChar(json[end]))
                ++end;
            if (belowLowestInteger(QByteArray::fromRawData(json.constData() + i, end - i)))
                return true;
            i = end - 1;
        }
    }
    return false;
}

} // namespace

bool StrictJson::toInteger(const QJsonValue& value, qint64& out)
{
    if (!value.isDouble())
        return false;
    // toInteger() hands back its default for a fraction or a value beyond 64
    // bits; two different defaults tell that case from a genuine equal value.
    const qint64 a = value.toInteger(0);
    const qint64 b = value.toInteger(1);
    if (a != b)
        return false;
    out = a;
    return true;
}

bool StrictJson::toDouble(const QJsonValue& value, double& out)
{
    if (!value.isDouble())
        return false;
    out = value.toDouble();
    return true;
}

bool StrictJson::toString(const QJsonValue& value, QString& out)
{
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

bool StrictJson::toBool(const QJsonValue& value, bool& out)
{
    if (!value.isBool())
        return false;
    out = value.toBool();
    return true;
}

std::optional<QJsonObject> StrictJson::parseObject(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject() || roundsOntoLowestInteger(bytes))
        return std::nullopt;
    return document.object();
}
