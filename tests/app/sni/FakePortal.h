#pragma once

#include "BusPeer.h"

#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QObject>

// The desktop portal's Settings interface on a connection of its own,
// answering for org.freedesktop.appearance color-scheme. An old portal
// (before version 2) has no ReadOne and wraps Read's value in one more
// variant.
class FakePortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    FakePortal(QVariant colorScheme, bool hasReadOne)
        : m_peer(QStringLiteral("portal"))
        , m_colorScheme(std::move(colorScheme))
        , m_hasReadOne(hasReadOne)
    {
        m_started = m_peer.bus().registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this,
                                                QDBusConnection::ExportAllSlots)
            && m_peer.bus().registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }

    bool started() const { return m_started; }
    int reads() const { return m_reads; }

    void change(const QString& ns, const QString& key, const QVariant& value)
    {
        if (ns == u"org.freedesktop.appearance" && key == u"color-scheme")
            m_colorScheme = value;
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                        QStringLiteral("org.freedesktop.portal.Settings"),
                                                        QStringLiteral("SettingChanged"));
        signal << ns << key << QVariant::fromValue(QDBusVariant(value));
        m_peer.bus().send(signal);
    }

public slots:
    QDBusVariant ReadOne(const QString& ns, const QString& key)
    {
        if (!m_hasReadOne) {
            sendErrorReply(QDBusError::UnknownMethod, QStringLiteral("No such method ReadOne"));
            return {};
        }
        return value(ns, key);
    }

    QDBusVariant Read(const QString& ns, const QString& key)
    {
        const QDBusVariant inner = value(ns, key);
        return QDBusVariant(QVariant::fromValue(inner));
    }

private:
    QDBusVariant value(const QString& ns, const QString& key)
    {
        ++m_reads;
        if (ns != u"org.freedesktop.appearance" || key != u"color-scheme" || !m_colorScheme.isValid()) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("Requested setting not found"));
            return {};
        }
        return QDBusVariant(m_colorScheme);
    }

    BusPeer m_peer;
    bool m_started = false;
    QVariant m_colorScheme;
    bool m_hasReadOne;
    int m_reads = 0;
};
