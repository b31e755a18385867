#pragma once

#include <QFile>

#include <cstdio>

// Writing the statistics file in tests, the two ways it changes on disk.
namespace StatsFiles {

// In place: open, write, close.
inline bool write(const QString& path, const QByteArray& content, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    return file.open(mode) && file.write(content) == content.size();
}

// As Claude Code saves: a file beside the target renamed over it, so a reader only ever sees a whole file.
inline bool replace(const QString& path, const QByteArray& content)
{
    const QString temporary = path + QStringLiteral(".0123456789abcdef.tmp");
    return write(temporary, content)
        && std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0;
}

} // namespace StatsFiles
