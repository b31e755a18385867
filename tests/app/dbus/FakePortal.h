#pragma once

#include "BusPeer.h"

#include <QDBusVariant>
#include <QObject>

// The desktop portal's Settings interface on a connection of its own: ReadOne
// answers with the colour scheme, SettingChanged announces changes.
// Destroying it releases the portal's name.
class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    explicit FakePortal(uint colorScheme)
        : m_peer(QStringLiteral("portal"))
        , m_colorScheme(colorScheme)
    {
        m_peer.bus().registerObject(path, this, QDBusConnection::ExportAllSlots);
        m_peer.bus().registerService(name);
    }
    ~FakePortal() override { m_peer.bus().unregisterService(name); }


    void change(const QString& ns, const QString& key, uint value)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Settings"),
                                                        QStringLiteral("SettingChanged"));
        signal << ns << key << QVariant::fromValue(QDBusVariant(value));
        m_peer.bus().send(signal);
    }

public slots:
    QDBusVariant ReadOne(const QString&, const QString&) { return QDBusVariant(m_colorScheme); }

private:
    static inline const QString name = QStringLiteral("org.freedesktop.portal.Desktop");
    static inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
    BusPeer m_peer;
    uint m_colorScheme;
};
