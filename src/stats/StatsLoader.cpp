#include "stats/StatsLoader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

const QString& StatsLoader::statsURL()
{
    static const QString path = QDir::homePath() + QStringLiteral("/.claude/stats-cache.json");
    return path;
}

std::optional<QByteArray> StatsLoader::readFile(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxFileSize)
        return std::nullopt;
    // Read in chunks rather than trusting the size measured at open: the file
    // may still be growing, and nothing past the limit is ever held.
    QByteArray bytes;
    bytes.reserve(file.size());
    char chunk[64 * 1024];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0 || bytes.size() + n > maxFileSize)
            return std::nullopt;
        if (n == 0)
            return bytes;
        bytes.append(chunk, n);
    }
}
