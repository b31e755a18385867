#pragma once

#include "BusPeer.h"

#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// The desktop's notification server on a connection of its own: it keeps
// what each Notify asked for and can report the user's click on one.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown
    {
        uint replaces;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
    };

    FakeNotifications()
        : m_peer(QStringLiteral("notifications"))
    {
        m_peer.bus().registerObject(path, this, QDBusConnection::ExportAllSlots);
        m_peer.bus().registerService(QStringLiteral("org.freedesktop.Notifications"));
    }

    QList<Shown> shown;

    // A call that the status item at `service` answers on its own thread,
    // after the replies sent to it so far: it has read them by then.
    void roundTrip(const QString& service)
    {
        m_peer.call(service, QStringLiteral("/StatusNotifierItem"), QStringLiteral("org.freedesktop.DBus.Properties"),
                    QStringLiteral("Get"), {QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Id")});
    }

    void click(uint id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.Notifications"),
                                                        QStringLiteral("ActionInvoked"));
        signal << id << QStringLiteral("default");
        m_peer.bus().send(signal);
    }

public slots:
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int)
    {
        shown.append({replaces, summary, body, actions, hints});
        return uint(shown.size());
    }

private:
    static inline const QString path = QStringLiteral("/org/freedesktop/Notifications");
    BusPeer m_peer;
};
