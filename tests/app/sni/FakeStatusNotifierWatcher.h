#pragma once

#include "BusPeer.h"

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <chrono>

// A StatusNotifierWatcher on a connection of its own, as the panel process
// would run it: it owns org.kde.StatusNotifierWatcher, keeps the items that
// register, and says whether a host is registered. Destroying it drops its
// connection, which the bus reports like a crashed panel.
class FakeStatusNotifierWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    // `objectDelay`: take the name first and serve the object only that much
    // later, as status-notifier-watcher does.
    explicit FakeStatusNotifierWatcher(bool hostRegistered, std::chrono::milliseconds objectDelay = {})
        : m_peer(QStringLiteral("watcher"))
        , m_hostRegistered(hostRegistered)
    {
        if (objectDelay.count() == 0)
            serve();
        m_started = m_peer.bus().registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
        m_delayed = objectDelay.count() > 0;
        if (m_delayed)
            QTimer::singleShot(objectDelay, this, &FakeStatusNotifierWatcher::serve);
    }

    bool started() const { return m_started && (m_served || m_delayed); }
    // Register calls that reached the object, successful or not.
    int registerCalls() const { return m_registerCalls; }
    QStringList registeredItems() const { return m_items; }
    bool isHostRegistered() const { return m_hostRegistered; }
    int protocolVersion() const { return 0; }

    void setHostRegistered(bool registered)
    {
        m_hostRegistered = registered;
        if (registered)
            emit StatusNotifierHostRegistered();
        else
            emit StatusNotifierHostUnregistered();
    }

public slots:
    void RegisterStatusNotifierItem(const QString& service)
    {
        ++m_registerCalls;
        if (!m_items.contains(service))
            m_items.append(service);
        emit StatusNotifierItemRegistered(service);
    }

    void RegisterStatusNotifierHost(const QString& service)
    {
        Q_UNUSED(service);
        setHostRegistered(true);
    }

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

private:
    void serve()
    {
        m_served = m_peer.bus().registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                                               QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals
                                                   | QDBusConnection::ExportAllProperties);
    }

    BusPeer m_peer;
    bool m_served = false;
    bool m_delayed = false;
    int m_registerCalls = 0;
    bool m_started = false;
    bool m_hostRegistered = false;
    QStringList m_items;
};
