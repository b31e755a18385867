#pragma once

#include <QString>

#include <chrono>

class QDBusError;
class QTimer;

// The org.kde.StatusNotifierWatcher that status-area hosts run, as seen by
// the two things that call it (our item registering, and the question
// whether a host is there), with the one rule for calls that fail.
namespace StatusNotifierWatcher {

inline const QString service = QStringLiteral("org.kde.StatusNotifierWatcher");
inline const QString path = QStringLiteral("/StatusNotifierWatcher");

// Watchers take their name before they serve their object (the standalone
// status-notifier-watcher does), so a call right after the name appears can
// find nobody home: such calls are tried again a few times, backing off,
// for about six seconds in all. No watcher at all is not retried: the
// caller waits for one to take the name instead.
class Retry
{
public:
    // Starts `timer` for the next try and returns true, or returns false
    // when this failure is final.
    bool schedule(const QDBusError& failure, QTimer& timer);
    void reset() { m_attempts = 0; }

    static constexpr int maxAttempts = 5;
    static constexpr std::chrono::milliseconds firstDelay{200};

private:
    int m_attempts = 0;
};

} // namespace StatusNotifierWatcher
