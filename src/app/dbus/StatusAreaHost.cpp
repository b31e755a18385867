#include "app/dbus/StatusAreaHost.h"

#include "app/dbus/StatusNotifierWatcher.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString& watcherService = StatusNotifierWatcher::service;
const QString& watcherPath = StatusNotifierWatcher::path;

// The kernel's short process name: at most 15 bytes and a newline.
QString processName(uint pid)
{
    QFile file(u"/proc/%1/comm"_s.arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(64)).trimmed();
}

} // namespace

StatusAreaHost::StatusAreaHost(QObject* parent)
    : StatusAreaHost(QDBusConnection::sessionBus(), defaultLossGrace, parent)
{
}

StatusAreaHost::StatusAreaHost(const QDBusConnection& bus, std::chrono::milliseconds lossGrace, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_lossGrace(lossGrace)
{
    m_graceTimer.setObjectName(u"hostLossGrace"_s);
    m_graceTimer.setSingleShot(true);
    connect(&m_graceTimer, &QTimer::timeout, this, [this] { apply(false, {}); });
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &StatusAreaHost::ask);

    if (!m_bus.isConnected()) {
        m_presentation = Presentation::SystemTrayFallback;
        return;
    }
    m_serviceWatch = new QDBusServiceWatcher(watcherService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_serviceWatch, &QDBusServiceWatcher::serviceOwnerChanged, this, &StatusAreaHost::query);
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        m_bus.connect(watcherService, watcherPath, watcherService, QString::fromLatin1(signal), this, SLOT(query()));
    query();
}

StatusAreaHost::~StatusAreaHost()
{
    if (!m_bus.isConnected())
        return;
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        m_bus.disconnect(watcherService, watcherPath, watcherService, QString::fromLatin1(signal), this, SLOT(query()));
}

HostRules::HostTraits StatusAreaHost::hostTraits() const
{
    if (m_presentation != Presentation::StatusNotifierItem)
        return {};
    return HostRules::traitsForWatcherProcess(m_processName);
}

bool StatusAreaHost::iconCarriesPercent() const
{
    return HostRules::iconCarriesPercent(m_presentation == Presentation::StatusNotifierItem, hostTraits().label);
}

void StatusAreaHost::query()
{
    m_retryTimer.stop();
    m_retry.reset();
    ask();
}

// Asks the watcher whether a host is registered and the bus which process
// owns the watcher name. A newer question replaces answers still out.
void StatusAreaHost::ask()
{
    delete m_hostCall;
    delete m_pidCall;

    QDBusMessage hostCall = QDBusMessage::createMethodCall(watcherService, watcherPath,
                                                           u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    hostCall << watcherService << u"IsStatusNotifierHostRegistered"_s;
    m_hostCall = new QDBusPendingCallWatcher(m_bus.asyncCall(hostCall), this);

    QDBusMessage pidCall = QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                                                          u"org.freedesktop.DBus"_s, u"GetConnectionUnixProcessID"_s);
    pidCall << watcherService;
    m_pidCall = new QDBusPendingCallWatcher(m_bus.asyncCall(pidCall), this);

    connect(m_hostCall, &QDBusPendingCallWatcher::finished, this, &StatusAreaHost::onAnswers);
    connect(m_pidCall, &QDBusPendingCallWatcher::finished, this, &StatusAreaHost::onAnswers);
}

void StatusAreaHost::onAnswers()
{
    if (!m_hostCall || !m_pidCall || !m_hostCall->isFinished() || !m_pidCall->isFinished())
        return;
    const QDBusPendingReply<QDBusVariant> hostReply = *m_hostCall;
    const QDBusPendingReply<uint> pidReply = *m_pidCall;
    m_hostCall->deleteLater();
    m_pidCall->deleteLater();
    m_hostCall = nullptr;
    m_pidCall = nullptr;

    // A watcher that does not serve yet is asked again before its silence
    // counts as "no host".
    if (hostReply.isError() && m_retry.schedule(hostReply.error(), m_retryTimer))
        return;

    // Anything but a plain true (no watcher, an error, a wrong type) is no host.
    const QVariant value = hostReply.isValid() ? hostReply.value().variant() : QVariant();
    const bool hostRegistered = value.metaType() == QMetaType::fromType<bool>() && value.toBool();
    const QString name = pidReply.isValid() ? processName(pidReply.value()) : QString();
    settle(hostRegistered, name);
}

void StatusAreaHost::settle(bool hostRegistered, const QString& name)
{
    if (hostRegistered) {
        m_graceTimer.stop();
        apply(true, name);
        return;
    }
    if (m_presentation != Presentation::StatusNotifierItem) {
        apply(false, {});
        return;
    }
    // Give a restarting panel a moment before the fallback icon shows up.
    if (!m_graceTimer.isActive())
        m_graceTimer.start(m_lossGrace);
}

void StatusAreaHost::apply(bool hostRegistered, const QString& name)
{
    const Presentation presentation =
        hostRegistered ? Presentation::StatusNotifierItem : Presentation::SystemTrayFallback;
    if (presentation == m_presentation && name == m_processName)
        return;
    m_presentation = presentation;
    m_processName = name;
    emit changed();
}
