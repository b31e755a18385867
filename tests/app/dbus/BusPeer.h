#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTimer>

#include <functional>

// Another process on the test's session bus: a connection of its own, so messages really cross the
// bus. As a fake desktop service it keeps the calls it gets and answers them with `answer`.
// Destroying it drops the connection and its name, as an exiting process does.
class BusPeer : public QDBusVirtualObject
{
public:
    using Answer = std::function<QVariantList(const QDBusMessage&)>;

    explicit BusPeer(const QString& role, Answer answer = {})
        : m_role(role), m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, role)), m_answer(answer)
    {
    }
    ~BusPeer() override
    {
        if (!m_service.isEmpty())
            m_bus.unregisterService(m_service);
        m_bus = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(m_role);
    }

    // Takes the name, and serves `path` after `delayMs`.
    void serve(const QString& service, const QString& path, int delayMs = 0)
    {
        m_bus.registerService(m_service = service);
        const auto publish = [this, path] { m_bus.registerVirtualObject(path, this); };
        delayMs > 0 ? QTimer::singleShot(delayMs, this, publish) : publish();
    }

    // Blocks running the event loop: the code under test runs in this thread too.
    QDBusMessage call(const QString& service, const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
        call.setArguments(arguments);
        return m_bus.call(call, QDBus::BlockWithGui, 10000);
    }

    // The arguments of each call of `method` so far.
    QList<QVariantList> calls(const QString& method) const
    {
        QList<QVariantList> found;
        for (const QDBusMessage& message : m_calls)
            if (message.member() == method)
                found.append(message.arguments());
        return found;
    }

    QDBusConnection& bus() { return m_bus; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        m_calls.append(message);
        return connection.send(message.createReply(m_answer ? m_answer(message) : QVariantList()));
    }
    QString introspect(const QString&) const override { return {}; }

private:
    QString m_role;
    QDBusConnection m_bus;
    Answer m_answer;
    QString m_service;
    QList<QDBusMessage> m_calls;
};
