#include "app/dbus/SingleInstance.h"

#include "app/dbus/SingleInstanceAdaptor.h"
#include "app/dbus/XdgActivationToken.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString applicationInterface = u"org.freedesktop.Application"_s;
} // namespace

SingleInstance::SingleInstance(const QDBusConnection& bus, const QString& appId, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_appId(appId)
{
    new SingleInstanceAdaptor(this);
}

SingleInstance::~SingleInstance()
{
    if (!m_primaryExported)
        return;
    m_bus.unregisterObject(objectPath());
    m_bus.unregisterService(m_appId);
}

QString SingleInstance::objectPath() const
{
    return u'/' + QString(m_appId).replace(u'.', u'/').replace(u'-', u'_');
}

SingleInstance::Role SingleInstance::claim()
{
    if (m_claimed)
        return m_role;
    m_claimed = true;
    if (!m_bus.isConnected())
        return m_role = Role::Primary;

    // Serve first, then take the name, so a launch racing us never finds
    // the name owned without the object behind it.
    const bool served = m_bus.registerObject(objectPath(), this, QDBusConnection::ExportAdaptors);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (m_bus.registerService(m_appId)) {
            m_primaryExported = served;
            return m_role = Role::Primary;
        }
        // registerService fails for other reasons too (a refusing bus
        // policy): only a name that someone else holds means another
        // instance. A name found free again means the first just quit.
        const QDBusReply<bool> owned = m_bus.interface()->isServiceRegistered(m_appId);
        if (!owned.isValid())
            break;
        if (owned.value()) {
            if (served)
                m_bus.unregisterObject(objectPath());
            forwardToPrimary();
            return m_role = Role::Secondary;
        }
    }
    m_primaryExported = served;
    return m_role = Role::Primary;
}

void SingleInstance::forwardToPrimary()
{
    QVariantMap platformData;
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    if (!token.isEmpty())
        platformData.insert(u"activation-token"_s, QString::fromLatin1(token));
    const QByteArray startupId = qgetenv("DESKTOP_STARTUP_ID");
    if (!startupId.isEmpty())
        platformData.insert(u"desktop-startup-id"_s, QString::fromLatin1(startupId));

    QDBusMessage call = QDBusMessage::createMethodCall(m_appId, objectPath(), applicationInterface, u"Activate"_s);
    call << platformData;
    // A hung first instance must not hang this launch too: wait a bounded
    // time, then leave either way.
    m_bus.call(call, QDBus::Block, int(callTimeout.count()));
}

void SingleInstance::handleActivate(const QVariantMap& platformData)
{
    const QVariant token = platformData.value(u"activation-token"_s);
    if (token.metaType() == QMetaType::fromType<QString>())
        XdgActivationToken::store(token.toString());
    emit activationRequested();
}
