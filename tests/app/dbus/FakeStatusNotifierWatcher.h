#pragma once

#include "BusPeer.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

// A panel's StatusNotifierWatcher, and its host on the same connection, as
// panels that embed their watcher run them. Like Debian's
// status-notifier-watcher it takes its name first and serves its object only
// a moment later, so calls made as the name appears fail: an item or host
// that does not ask again never shows. Destroying it releases the name, as
// an exiting panel does.
class FakeStatusNotifierWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)

public:
    explicit FakeStatusNotifierWatcher(bool hostRegistered)
        : host(QStringLiteral("panel"))
        , m_hostRegistered(hostRegistered)
    {
        host.bus().registerService(name);
        QTimer::singleShot(300, this, [this] {
            host.bus().registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                                      QDBusConnection::ExportAllContents);
        });
    }
    ~FakeStatusNotifierWatcher() override { host.bus().unregisterService(name); }

    BusPeer host;
    QStringList items; // as registered
    int hostQueries = 0;

    bool isHostRegistered()
    {
        ++hostQueries;
        return m_hostRegistered;
    }

    void setHostRegistered(bool registered)
    {
        m_hostRegistered = registered;
        registered ? emit StatusNotifierHostRegistered() : emit StatusNotifierHostUnregistered();
    }

public slots:
    void RegisterStatusNotifierItem(const QString& service) { items.append(service); }

signals:
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

private:
    static inline const QString name = QStringLiteral("org.kde.StatusNotifierWatcher");
    bool m_hostRegistered;
};
