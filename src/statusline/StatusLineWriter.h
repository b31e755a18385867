#pragma once

#include "statusline/StatusLineFormat.h"

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// Writes a status bar's lines to a file descriptor (standard output): one
// line, flushed, whenever the text, the state of the figures or the reason
// changes. Notices when the reader has gone: at a write that fails, and on a
// pipe as soon as it closes, even between lines.
class StatusLineWriter : public QObject
{
    Q_OBJECT

public:
    StatusLineWriter(StatusLineFormat::Format format, int fd, QObject* parent = nullptr);

    void show(const StatusSnapshot& snapshot);

signals:
    // Nobody reads the lines any more.
    void closed();

private:
    enum class Outcome { Written, Interrupted, Failed };
    Outcome writeAll(const QByteArray& bytes);
    void close();

    const StatusLineFormat::Format m_format;
    const int m_fd;
    bool m_open = true;
    std::optional<StatusSnapshot> m_shown; // what the last line said
    std::unique_ptr<QSocketNotifier> m_hangUp;
};
