#include "app/dbus/StatusNotifierWatcher.h"

#include <QDBusError>
#include <QTimer>

bool StatusNotifierWatcher::Retry::schedule(const QDBusError& failure, QTimer& timer)
{
    const QString name = failure.name();
    if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
        || name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return false;
    if (m_attempts >= maxAttempts)
        return false;
    timer.setSingleShot(true);
    timer.start(firstDelay * (1 << m_attempts));
    ++m_attempts;
    return true;
}
