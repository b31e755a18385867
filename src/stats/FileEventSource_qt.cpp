#include "stats/FileEventSource.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// Systems without inotify: Qt's own watcher. It reports changes without
// saying what kind, and keeps watching the file it found when armed even
// after another file has taken its name. So a change counts as a write only
// while the path still names that same file; otherwise the file was
// replaced, renamed or deleted.
struct FileEventSource::Private
{
    QFileSystemWatcher* watcher = nullptr;
    QString path;
    QByteArray identity;
};

namespace {

// What tells one file from another that later takes its name: device and
// inode where there are such, else only whether it exists.
QByteArray identityOf(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QByteArray::number(qulonglong(st.st_dev)) + ':' + QByteArray::number(qulonglong(st.st_ino));
#else
    return QFileInfo::exists(path) ? QByteArrayLiteral("exists") : QByteArray();
#endif
}

} // namespace

FileEventSource::FileEventSource(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->watcher = new QFileSystemWatcher(this);
    connect(d->watcher, &QFileSystemWatcher::fileChanged, this, [this](const QString& changed) {
        if (d->path.isEmpty() || changed != d->path)
            return;
        if (!d->watcher->files().contains(d->path) || identityOf(d->path) != d->identity) {
            disarm();
            emit events(Deleted);
        } else {
            emit events(Written);
        }
    });
}

FileEventSource::~FileEventSource() = default;

bool FileEventSource::arm(const QString& path)
{
    disarm();
    if (!QFileInfo(path).isFile() || !d->watcher->addPath(path))
        return false;
    d->path = path;
    d->identity = identityOf(path);
    return true;
}

void FileEventSource::disarm()
{
    if (!d->path.isEmpty())
        d->watcher->removePath(d->path);
    d->path.clear();
}

bool FileEventSource::isArmed() const
{
    return !d->path.isEmpty();
}
