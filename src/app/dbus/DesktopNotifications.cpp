#include "app/dbus/DesktopNotifications.h"

#include "app/dbus/XdgActivationToken.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString service = u"org.freedesktop.Notifications"_s;
const QString path = u"/org/freedesktop/Notifications"_s;
const QString interface = u"org.freedesktop.Notifications"_s;
const QString defaultAction = u"default"_s;

} // namespace

DesktopNotifications::DesktopNotifications(const QDBusConnection& bus, QString appName, QString desktopEntry,
                                           QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_appName(std::move(appName))
    , m_desktopEntry(std::move(desktopEntry))
{
    m_bus.connect(service, path, interface, u"ActionInvoked"_s, this, SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, u"ActivationToken"_s, this, SLOT(onActivationToken(uint, QString)));
    m_bus.connect(service, path, interface, u"NotificationClosed"_s, this, SLOT(onClosed(uint, uint)));
}

DesktopNotifications::~DesktopNotifications()
{
    m_bus.disconnect(service, path, interface, u"ActionInvoked"_s, this, SLOT(onActionInvoked(uint, QString)));
    m_bus.disconnect(service, path, interface, u"ActivationToken"_s, this, SLOT(onActivationToken(uint, QString)));
    m_bus.disconnect(service, path, interface, u"NotificationClosed"_s, this, SLOT(onClosed(uint, uint)));
}

void DesktopNotifications::notify(int slot, const QString& summary, const QString& body, bool urgent)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, u"Notify"_s);
    const QVariantMap hints{
        {u"desktop-entry"_s, m_desktopEntry},
        {u"urgency"_s, QVariant::fromValue(uchar(urgent ? 2 : 1))},
    };
    // A click on the notification is its default action: open the panel.
    const QStringList actions{defaultAction, u"Open"_s};
    call << m_appName << m_shown.value(slot, 0u) << m_desktopEntry << summary << body << actions << hints << -1;
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, slot](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<uint> reply = *finished;
        if (reply.isValid())
            m_shown.insert(slot, reply.value());
    });
}

void DesktopNotifications::onActionInvoked(uint id, const QString& action)
{
    if (action == defaultAction && std::find(m_shown.cbegin(), m_shown.cend(), id) != m_shown.cend())
        emit opened();
}

void DesktopNotifications::onActivationToken(uint id, const QString& token)
{
    // Comes just before the action, so that the panel may take the focus.
    if (std::find(m_shown.cbegin(), m_shown.cend(), id) != m_shown.cend())
        XdgActivationToken::store(token);
}

void DesktopNotifications::onClosed(uint id, uint)
{
    for (auto it = m_shown.begin(); it != m_shown.end(); ++it) {
        if (it.value() == id) {
            m_shown.erase(it);
            return;
        }
    }
}
