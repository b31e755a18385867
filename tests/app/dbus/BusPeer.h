#pragma once

#include <QDBusConnection>
#include <QDBusMessage>

// A connection of its own to the test's session bus, as another process
// would have: messages between it and the code under test really cross the
// bus. Both live in the test's thread, so calls keep the event loop running
// while they wait.
class BusPeer
{
public:
    explicit BusPeer(const QString& role)
        : m_name(QStringLiteral("peer-") + role)
        , m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_name))
    {
    }
    // Drops the connection as if the process had exited.
    ~BusPeer()
    {
        m_bus = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(m_name);
    }

    QDBusConnection& bus() { return m_bus; }

    QDBusMessage call(const QString& service, const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
        call.setArguments(arguments);
        return m_bus.call(call, QDBus::BlockWithGui, 10000);
    }

private:
    QString m_name;
    QDBusConnection m_bus;
};
