#include "usage/OAuthCredentials.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QString> token = OAuthCredentials::tokenFromCredentials(bytes);
    if (!token)
        return 0;
    // A token is only ever text taken from inside the document: it cannot be
    // longer than the document, and Qt's own reading of the same bytes finds
    // the same string at the same place.
    if (token->toUtf8().size() > bytes.size())
        __builtin_trap();
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject()
        || document.object().value(QLatin1String("claudeAiOauth")).toObject().value(QLatin1String("accessToken"))
               != QJsonValue(*token))
        __builtin_trap();
    return 0;
}
