#include "usage/OAuthCredentials.h"

#include <QJsonDocument>
#include <QJsonObject>

// A token is only ever text from inside the document: Qt's own reading of the
// same bytes finds the same string at the same place.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto found = OAuthCredentials::fromDocument(bytes);
    const QJsonObject oauth = QJsonDocument::fromJson(bytes).object().value(QLatin1String("claudeAiOauth")).toObject();
    if (found && oauth.value(QLatin1String("accessToken")) != found->accessToken)
        __builtin_trap();
    return 0;
}
