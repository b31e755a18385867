#include "usage/OAuthCredentials.h"

#include "common/BoundedFile.h"
#include "common/StrictJson.h"

#include <QDir>


using namespace Qt::Literals::StringLiterals;

QString OAuthCredentials::defaultFilePath()
{
    return QDir::homePath() + u"/.claude/.credentials.json"_s;
}

std::optional<QString> OAuthCredentials::tokenFromCredentials(const QByteArray& document)
{
    if (document.size() > maxDocumentSize)
        return std::nullopt;
    const std::optional<QJsonObject> root = StrictJson::parseObject(document);
    if (!root)
        return std::nullopt;
    const QJsonValue oauth = root->value("claudeAiOauth"_L1);
    if (!oauth.isObject())
        return std::nullopt;
    const QJsonValue token = oauth.toObject().value("accessToken"_L1);
    if (!token.isString())
        return std::nullopt;
    return token.toString();
}

std::optional<QByteArray> OAuthCredentials::readFile(const QString& path)
{
    return BoundedFile::read(path, maxDocumentSize);
}

std::optional<QString> OAuthCredentials::getOAuthToken(const QString& path)
{
    if (path.isEmpty())
        return fromPlatformStore();
    const std::optional<QByteArray> document = readFile(path);
    if (!document)
        return std::nullopt;
    return tokenFromCredentials(*document);
}
