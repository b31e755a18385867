#include "stats/StatsLoader.h"

#include "common/BoundedFile.h"
#include "usage/ClaudeConfigDir.h"

const QString& StatsLoader::statsURL()
{
    static const QString path = ClaudeConfigDir::path() + QStringLiteral("/stats-cache.json");
    return path;
}

std::optional<QByteArray> StatsLoader::readFile(const QString& path)
{
    return BoundedFile::read(path, maxFileSize);
}
