#include "usage/OAuthCredentials.h"

#include "common/BoundedFile.h"
#include "common/StrictJson.h"
#include "usage/ClaudeConfigDir.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

QString OAuthCredentials::defaultFilePath()
{
    return ClaudeConfigDir::path() + u"/.credentials.json"_s;
}

std::optional<OAuthCredentials::Credential> OAuthCredentials::fromDocument(const QByteArray& document)
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
    Credential credential{token.toString(), std::nullopt};
    // Any other form (absent, null, text) is no expiry we can judge; the
    // service then decides as before.
    const QJsonValue expiresAt = oauth.toObject().value("expiresAt"_L1);
    if (expiresAt.isDouble() && std::isfinite(expiresAt.toDouble()) && std::abs(expiresAt.toDouble()) < 0x1p62)
        credential.expiresAtMs = qint64(expiresAt.toDouble());
    return credential;
}

std::optional<QByteArray> OAuthCredentials::readFile(const QString& path)
{
    return BoundedFile::read(path, maxDocumentSize);
}

std::optional<OAuthCredentials::Credential> OAuthCredentials::read(const QString& path)
{
    if (path.isEmpty())
        return fromPlatformStore();
    const std::optional<QByteArray> document = readFile(path);
    if (!document)
        return std::nullopt;
    return fromDocument(*document);
}
