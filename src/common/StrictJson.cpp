#include "common/StrictJson.h"

#include <QJsonDocument>

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
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}
