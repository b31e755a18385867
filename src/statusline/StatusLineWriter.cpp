#include "statusline/StatusLineWriter.h"

#include <cerrno>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Lines go out again only for a change of these; the reset time counts down
// in the text, so a fresh reading shows at least once a minute.
bool sameLine(const StatusSnapshot& a, const StatusSnapshot& b)
{
    return a.label == b.label && a.state == b.state && a.reason == b.reason;
}

} // namespace

StatusLineWriter::StatusLineWriter(StatusLineFormat::Format format, int fd, QObject* parent)
    : QObject(parent)
    , m_format(format)
    , m_fd(fd)
{
    // The writing end of a pipe never becomes readable: it polls as an error
    // once the reading end is closed, so a read notifier reports exactly that.
    struct stat status = {};
    if (::fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode)) {
        m_hangUp = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(m_hangUp.get(), &QSocketNotifier::activated, this, [this] {
            pollfd check{m_fd, 0, 0};
            if (::poll(&check, 1, 0) == 1 && (check.revents & (POLLERR | POLLHUP)))
                close();
        });
    }
}

void StatusLineWriter::show(const StatusSnapshot& snapshot)
{
    if (!m_open || (m_shown && sameLine(*m_shown, snapshot)))
        return;
    switch (writeAll(StatusLineFormat::line(m_format, snapshot) + '\n')) {
    case Outcome::Written:
        m_shown = snapshot;
        break;
    case Outcome::Interrupted:
        break; // the next change writes again
    case Outcome::Failed:
        close();
        break;
    }
}

StatusLineWriter::Outcome StatusLineWriter::writeAll(const QByteArray& bytes)
{
    // Unbuffered: each line reaches the bar at once, whole (a line is far
    // below the size a pipe writes atomically).
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR) {
            // A bar that stopped reading must not keep a termination
            // signal waiting behind a blocked write.
            if (done == 0)
                return Outcome::Interrupted;
            continue;
        }
        if (written <= 0)
            return Outcome::Failed; // EPIPE: the reader has gone (SIGPIPE is ignored)
        done += written;
    }
    return Outcome::Written;
}

void StatusLineWriter::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_hangUp.reset();
    emit closed();
}
