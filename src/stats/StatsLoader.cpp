#include "stats/StatsLoader.h"

#include "common/BoundedFile.h"

#include <QDir>

const QString& StatsLoader::statsURL()
{
    static const QString path = QDir::homePath() + QStringLiteral("/.claude/stats-cache.json");
    return path;
}

std::optional<QByteArray> StatsLoader::readFile(const QString& path)
{
    return BoundedFile::read(path, maxFileSize);
}
