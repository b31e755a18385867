#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace StatsLoader {

// stats-cache.json in Claude Code's folder ($CLAUDE_CONFIG_DIR or
// ~/.claude), worked out on first use and fixed for the life of the process.
const QString& statsURL();

// Files above this size are refused unread: real ones are a few kilobytes,
// and nothing legitimate comes near it.
inline constexpr qint64 maxFileSize = 64 * 1024 * 1024;

// The whole file, or nothing when it is missing, unreadable, not a regular
// file (a FIFO would block the reader) or larger than maxFileSize.
std::optional<QByteArray> readFile(const QString& path);

} // namespace StatsLoader
