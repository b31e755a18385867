#include "stats/StatsFileWatcher.h"

#include "stats/FileEventSource.h"

#include <QTimer>

// Everything below runs on the watcher's thread, one event at a time, so the
// worker needs no locks.
class StatsFileWatcher::Worker : public QObject
{
public:
    Worker(std::function<void()> onChange, QString path)
        : m_onChange(std::move(onChange))
        , m_path(std::move(path))
    {
    }

    // Made on the watcher's thread so their notifiers and timers belong to it.
    void setUp()
    {
        m_source = new FileEventSource(this);
        connect(m_source, &FileEventSource::events, this, &Worker::handleEvents);
        m_debounce = new QTimer(this);
        m_debounce->setSingleShot(true);
        m_debounce->setTimerType(Qt::PreciseTimer);
        m_debounce->setInterval(debounceMs);
        connect(m_debounce, &QTimer::timeout, this, [this] { m_onChange(); });
    }

    void tearDown()
    {
        // Deleting the children here, on their own thread, also cancels a
        // pending notice and any re-arm scheduled against this worker.
        m_debounce->stop();
        delete m_source;
        delete m_debounce;
        m_source = nullptr;
        m_debounce = nullptr;
        m_live = false;
    }

    void startWatching()
    {
        if (m_live)
            m_source->arm(m_path);
    }

    void stop()
    {
        if (m_live)
            m_source->disarm();
    }

    bool isArmed() const { return m_live && m_source->isArmed(); }

private:
    void handleEvents(int mask)
    {
        if (mask & (FileEventSource::Deleted | FileEventSource::Renamed)) {
            // Give the writer a moment to put the new file in place.
            QTimer::singleShot(rearmDelayMs, Qt::PreciseTimer, this, [this] {
                startWatching();
                debouncedNotify();
            });
        } else {
            debouncedNotify();
        }
    }

    // Trailing-edge debounce: each event restarts the quiet period.
    void debouncedNotify()
    {
        if (m_live)
            m_debounce->start();
    }

    std::function<void()> m_onChange;
    QString m_path;
    FileEventSource* m_source = nullptr;
    QTimer* m_debounce = nullptr;
    bool m_live = true;
};

StatsFileWatcher::StatsFileWatcher(std::function<void()> onChange, QString path)
    : m_worker(new Worker(std::move(onChange), std::move(path)))
{
    m_thread.setObjectName(QStringLiteral("stats-file-watcher"));
    m_worker->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->setUp(); }, Qt::BlockingQueuedConnection);
}

StatsFileWatcher::~StatsFileWatcher()
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->tearDown(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    // The thread has ended, so nothing of the worker can run any more.
    delete m_worker;
}

void StatsFileWatcher::startWatching()
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->startWatching(); }, Qt::BlockingQueuedConnection);
}

void StatsFileWatcher::stop()
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->stop(); }, Qt::BlockingQueuedConnection);
}

bool StatsFileWatcher::isArmed() const
{
    bool armed = false;
    QMetaObject::invokeMethod(m_worker, [w = m_worker, &armed] { armed = w->isArmed(); }, Qt::BlockingQueuedConnection);
    return armed;
}
