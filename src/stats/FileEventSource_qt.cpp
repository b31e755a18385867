#include "stats/FileEventSource.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

// Systems without inotify: Qt's own watcher. It reports changes without
// saying what kind; a file that has left the watch list or the disk has been
// replaced, renamed or deleted, anything else was written.
struct FileEventSource::Private
{
    QFileSystemWatcher* watcher = nullptr;
    QString path;
};

FileEventSource::FileEventSource(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->watcher = new QFileSystemWatcher(this);
    connect(d->watcher, &QFileSystemWatcher::fileChanged, this, [this](const QString& changed) {
        if (d->path.isEmpty() || changed != d->path)
            return;
        if (!d->watcher->files().contains(d->path) || !QFileInfo::exists(d->path)) {
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
