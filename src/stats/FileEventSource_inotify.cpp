#include "stats/FileEventSource.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

// Linux: one inotify instance per source, one watch per arming. Watch numbers
// are never reused while the instance lives, so events of an earlier watch
// are told apart from the current one by number alone.
struct FileEventSource::Private
{
    int inotifyFd = -1;
    int watch = -1;
    QString path;
    dev_t device = 0;
    ino_t inode = 0;
    QSocketNotifier* notifier = nullptr;
};

namespace {
constexpr uint32_t watchMask = IN_MODIFY | IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF;
}

FileEventSource::FileEventSource(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->inotifyFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (d->inotifyFd < 0)
        return;
    d->notifier = new QSocketNotifier(d->inotifyFd, QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        alignas(inotify_event) char buffer[4096];
        int mask = 0;
        for (;;) {
            const ssize_t n = ::read(d->inotifyFd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (ssize_t offset = 0; offset < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if (d->watch < 0 || event->wd != d->watch)
                    continue; // left over from an earlier arming
                if (event->mask & IN_MODIFY)
                    mask |= Written;
                if (event->mask & IN_MOVE_SELF)
                    mask |= Renamed;
                if (event->mask & (IN_DELETE_SELF | IN_IGNORED))
                    mask |= Deleted;
                // A replaced or unlinked file first reports a link-count change;
                // its deletion proper waits until every holder has closed it.
                // Treat it as deleted as soon as the path names another file.
                if (event->mask & IN_ATTRIB) {
                    struct stat st;
                    const QByteArray native = QFile::encodeName(d->path);
                    if (::stat(native.constData(), &st) != 0 || st.st_dev != d->device || st.st_ino != d->inode)
                        mask |= Deleted;
                }
            }
        }
        if (mask & Deleted) {
            // The kernel drops the watch with the file; forget it.
            if (d->watch >= 0)
                inotify_rm_watch(d->inotifyFd, d->watch);
            d->watch = -1;
        }
        if (mask)
            emit events(mask);
    });
}

FileEventSource::~FileEventSource()
{
    disarm();
    delete d->notifier;
    if (d->inotifyFd >= 0)
        ::close(d->inotifyFd);
}

bool FileEventSource::arm(const QString& path)
{
    disarm();
    if (d->inotifyFd < 0)
        return false;
    const QByteArray native = QFile::encodeName(path);
    const int watch = inotify_add_watch(d->inotifyFd, native.constData(), watchMask);
    if (watch < 0)
        return false;
    struct stat st;
    if (::stat(native.constData(), &st) != 0) {
        inotify_rm_watch(d->inotifyFd, watch);
        return false;
    }
    d->watch = watch;
    d->path = path;
    d->device = st.st_dev;
    d->inode = st.st_ino;
    return true;
}

void FileEventSource::disarm()
{
    if (d->watch >= 0)
        inotify_rm_watch(d->inotifyFd, d->watch);
    d->watch = -1;
}

bool FileEventSource::isArmed() const
{
    return d->watch >= 0;
}
