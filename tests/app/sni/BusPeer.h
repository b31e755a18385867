#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>

// A connection of its own to the test's session bus, as another process
// would have: messages between it and the code under test really cross the
// bus. Both live in the test's thread, so calls must keep the event loop
// running while they wait.
class BusPeer
{
public:
    explicit BusPeer(const QString& role)
        : m_name(QStringLiteral("peer-%1-%2").arg(role).arg(++s_made))
        , m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_name))
    {
    }
    ~BusPeer() { close(); }
    BusPeer(const BusPeer&) = delete;
    BusPeer& operator=(const BusPeer&) = delete;

    QDBusConnection& bus() { return m_bus; }

    // Drops the connection as if the process had exited: the bus releases
    // every name it owned.
    void close()
    {
        if (m_closed)
            return;
        m_closed = true;
        m_bus = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(m_name);
    }

    QDBusMessage call(const QDBusMessage& message) { return m_bus.call(message, QDBus::BlockWithGui, 10000); }

    QDBusMessage getProperty(const QString& service, const QString& path, const QString& interface,
                             const QString& property)
    {
        QDBusMessage get = QDBusMessage::createMethodCall(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        get << interface << property;
        return call(get);
    }

private:
    static inline std::atomic<int> s_made{0};
    QString m_name;
    QDBusConnection m_bus;
    bool m_closed = false;
};

// Records signals as they arrive over the bus, in order.
class SignalRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QDBusMessage> messages;

    bool listen(QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                const QString& name)
    {
        return bus.connect(service, path, interface, name, this, SLOT(record(QDBusMessage)));
    }

    QStringList names() const
    {
        QStringList out;
        for (const QDBusMessage& message : messages)
            out << message.member();
        return out;
    }

public slots:
    void record(const QDBusMessage& message) { messages.append(message); }
};
