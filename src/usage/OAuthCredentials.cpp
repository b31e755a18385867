#include "usage/OAuthCredentials.h"

#include "common/StrictJson.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

struct Descriptor
{
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

std::optional<QByteArray> OAuthCredentials::readFile(const QString& path)
{
    // Opened without blocking and checked through the open descriptor, so a
    // FIFO put at the path cannot stall the lookup waiting for a writer, and
    // nothing can swap the file between the check and the read.
    const Descriptor file{::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (file.fd < 0)
        return std::nullopt;
    struct stat status {};
    if (::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maxDocumentSize)
        return std::nullopt;

    // The size at open is only a hint: the file may still be growing, and
    // nothing past the limit is ever held.
    QByteArray bytes;
    bytes.reserve(qsizetype(status.st_size));
    char chunk[16 * 1024];
    for (;;) {
        const ssize_t n = ::read(file.fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || bytes.size() + n > maxDocumentSize)
            return std::nullopt;
        if (n == 0)
            return bytes;
        bytes.append(chunk, qsizetype(n));
    }
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
