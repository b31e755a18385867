#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace BoundedFile {

// The whole regular file at `path`, or nothing when it is missing, unreadable,
// not a regular file, or larger than `maxSize` bytes. Never blocks on a FIFO
// or device put at the path, and never holds more than `maxSize` bytes.
std::optional<QByteArray> read(const QString& path, qint64 maxSize);

} // namespace BoundedFile
