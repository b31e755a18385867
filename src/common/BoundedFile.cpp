#include "common/BoundedFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::optional<QByteArray> BoundedFile::read(const QString& path, qint64 maxSize)
{
    // Opened without blocking and checked through the open descriptor, so a
    // FIFO put at the path cannot stall the reader waiting for a writer, and
    // nothing can swap the file between the check and the read.
    const Descriptor file{::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (file.fd < 0)
        return std::nullopt;
    struct stat status {};
    if (::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maxSize)
        return std::nullopt;

    // The size at open is only a hint: the file may still be growing, and
    // nothing past the limit is ever held.
    QByteArray bytes;
    bytes.reserve(qsizetype(status.st_size));
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(file.fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || bytes.size() + n > maxSize)
            return std::nullopt;
        if (n == 0)
            return bytes;
        bytes.append(chunk, qsizetype(n));
    }
}
