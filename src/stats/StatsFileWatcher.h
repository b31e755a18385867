#pragma once

#include <QString>
#include <QThread>

#include <functional>

// Watches the statistics file and calls its owner back once per burst of
// changes. Claude Code replaces the file by renaming a new one over it, so a
// delete or rename re-arms the watch on whatever file then stands at the path.
//
// Events are handled on the watcher's own thread: a write restarts a 0.2 s
// quiet period after which `onChange` runs (on that thread, never the main
// one); a delete or rename first waits 0.1 s, re-arms, then restarts the quiet
// period. If the file is not back by then the watcher stays unarmed until
// startWatching() runs again. Once the watcher is destroyed, `onChange` is
// never called again.
class StatsFileWatcher
{
public:
    explicit StatsFileWatcher(std::function<void()> onChange, QString path);
    ~StatsFileWatcher();

    StatsFileWatcher(const StatsFileWatcher&) = delete;
    StatsFileWatcher& operator=(const StatsFileWatcher&) = delete;

    // (Re)arms on the file at the path; returns once the watch is in place or
    // has failed. A missing file leaves the watcher unarmed, silently.
    void startWatching();
    // Disarms; harmless when unarmed or called twice. A notice already
    // scheduled still comes.
    void stop();
    bool isArmed() const;

    static constexpr int debounceMs = 200;
    static constexpr int rearmDelayMs = 100;

private:
    class Worker;
    QThread m_thread;
    Worker* m_worker = nullptr;
};
