#include "app/dbus/StatusNotifierItem.h"

#include "app/dbus/DBusMenu.h"
#include "app/dbus/DBusMenuAdaptor.h"
#include "app/dbus/StatusNotifierItemAdaptor.h"
#include "app/dbus/StatusNotifierWatcher.h"
#include "app/dbus/XdgActivationToken.h"
#include "config/AppInfo.h"
#include "glyph/StatusIconRenderer.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <algorithm>
#include <atomic>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int maxRenderedSide = 256;
constexpr int maxReregistrations = 4;
constexpr std::chrono::milliseconds reregisterDelay{250};
constexpr std::chrono::milliseconds listedCheckDelay{3000};

std::atomic<int> itemsMade{0};

} // namespace

StatusNotifierItem::StatusNotifierItem(IconRenderer renderer, QObject* parent)
    : StatusNotifierItem(std::move(renderer), QDBusConnection::sessionBus(), parent)
{
}

StatusNotifierItem::StatusNotifierItem(IconRenderer renderer, const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_renderer(std::move(renderer))
{
    SniTypes::registerTypes();
    m_menu = new DBusMenu(this);
    new DBusMenuAdaptor(m_menu);
    m_adaptor = new StatusNotifierItemAdaptor(this);
    connect(m_menu, &DBusMenu::openRequested, this, &StatusNotifierItem::openRequested);
    connect(m_menu, &DBusMenu::refreshRequested, this, &StatusNotifierItem::refreshRequested);
    connect(m_menu, &DBusMenu::quitRequested, this, &StatusNotifierItem::quitRequested);
    m_pixmaps = renderPixmaps();

    if (!m_bus.isConnected())
        return;
    // Serve the objects before taking the name, so a host that sees the
    // name never finds nobody home.
    const QString itemPath = QString::fromLatin1(objectPath);
    if (!m_bus.registerObject(itemPath, this, QDBusConnection::ExportAdaptors))
        return;
    if (!m_bus.registerObject(QString::fromLatin1(menuPath), m_menu, QDBusConnection::ExportAdaptors)) {
        m_bus.unregisterObject(itemPath);
        return;
    }
    const QString prefix = u"org.kde.StatusNotifierItem-%1-"_s.arg(QCoreApplication::applicationPid());
    for (int attempt = 0; attempt < 8 && m_serviceName.isEmpty(); ++attempt) {
        const QString name = prefix + QString::number(++itemsMade);
        if (m_bus.registerService(name))
            m_serviceName = name;
    }
    if (m_serviceName.isEmpty()) {
        m_bus.unregisterObject(QString::fromLatin1(menuPath));
        m_bus.unregisterObject(itemPath);
        return;
    }
    m_exported = true;

    // Watchers forget their items when they restart, and panels often start
    // after the applications of an autostarted session: register each time a
    // watcher takes the name.
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &StatusNotifierItem::registerWithWatcher);
    m_watcherWatch = new QDBusServiceWatcher(StatusNotifierWatcher::service, m_bus,
                                             QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcherWatch, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                m_retryTimer.stop();
                m_listedCheck.stop();
                m_retry.reset();
                m_reregistrations = 0;
                m_byPath = false;
                if (!newOwner.isEmpty())
                    registerWithWatcher();
            });

    // A host may take the item and drop it again: GNOME's AppIndicator
    // extension does when our answers overtake its own name-owner lookup of
    // a bus name (then it compares fresh values with nothing, fails and
    // destroys the item, for good). Notice, by its signal or by its list, and
    // register again, alternating with our object path, which that lookup
    // does not apply to.
    m_listedCheck.setSingleShot(true);
    m_listedCheck.setInterval(listedCheckDelay);
    connect(&m_listedCheck, &QTimer::timeout, this, &StatusNotifierItem::checkListed);
    m_bus.connect(StatusNotifierWatcher::service, StatusNotifierWatcher::path, StatusNotifierWatcher::service,
                  u"StatusNotifierItemUnregistered"_s, this, SLOT(onItemUnregistered(QString)));
    registerWithWatcher();
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (!m_exported)
        return;
    m_bus.disconnect(StatusNotifierWatcher::service, StatusNotifierWatcher::path, StatusNotifierWatcher::service,
                     u"StatusNotifierItemUnregistered"_s, this, SLOT(onItemUnregistered(QString)));
    m_bus.unregisterObject(QString::fromLatin1(menuPath));
    m_bus.unregisterObject(QString::fromLatin1(objectPath));
    m_bus.unregisterService(m_serviceName);
}

void StatusNotifierItem::registerWithWatcher()
{
    QDBusMessage call = QDBusMessage::createMethodCall(StatusNotifierWatcher::service, StatusNotifierWatcher::path,
                                                       StatusNotifierWatcher::service, u"RegisterStatusNotifierItem"_s);
    call << (m_byPath ? QString::fromLatin1(objectPath) : m_serviceName);
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        if (!finished->isError()) {
            m_listedCheck.start();
        } else if (m_byPath) {
            // A watcher that takes bus names only.
            m_byPath = false;
            registerWithWatcher();
        } else {
            // No watcher yet is the normal case at login: the service
            // watcher calls again when one comes.
            m_retry.schedule(finished->error(), m_retryTimer);
        }
    });
}

void StatusNotifierItem::registerAgain()
{
    if (m_reregistrations >= maxReregistrations)
        return;
    ++m_reregistrations;
    m_byPath = !m_byPath;
    m_listedCheck.stop();
    m_retry.reset();
    m_retryTimer.start(reregisterDelay);
}

void StatusNotifierItem::onItemUnregistered(const QString& entry)
{
    if (isOurs(entry))
        registerAgain();
}

// Asks the watcher for its items; a watcher that cannot say (no such
// property) is trusted.
void StatusNotifierItem::checkListed()
{
    QDBusMessage call = QDBusMessage::createMethodCall(StatusNotifierWatcher::service, StatusNotifierWatcher::path,
                                                       u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    call << StatusNotifierWatcher::service << u"RegisteredStatusNotifierItems"_s;
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *finished;
        if (!reply.isValid())
            return;
        const QVariant value = reply.value().variant();
        if (value.metaType() != QMetaType::fromType<QStringList>())
            return;
        const QStringList entries = value.toStringList();
        if (std::none_of(entries.begin(), entries.end(), [this](const QString& entry) { return isOurs(entry); }))
            registerAgain();
    });
}

// Watchers name an item by what it registered, by bus name (unique or ours)
// and path, or both: "org.kde.StatusNotifierItem-7-1", ":1.42@/StatusNotifierItem".
bool StatusNotifierItem::isOurs(const QString& entry) const
{
    for (const QString& name : {m_serviceName, m_bus.baseService()}) {
        if (name.isEmpty() || !entry.startsWith(name))
            continue;
        if (entry.size() == name.size() || entry.at(name.size()) == u'/' || entry.at(name.size()) == u'@')
            return true;
    }
    return false;
}

QString StatusNotifierItem::labelGuide()
{
    // The widest text the label takes in practice; hosts that honour the
    // guide reserve this width so the panel does not jitter.
    return u"100% \u00B7 4 hr 59 min"_s;
}

DBusToolTip StatusNotifierItem::toolTip() const
{
    return DBusToolTip{QString(), {}, QString::fromLatin1(AppInfo::name), m_toolTip};
}

void StatusNotifierItem::setContent(const QString& label, const QString& toolTip)
{
    const bool newLabel = label != m_label;
    const bool newToolTip = toolTip != m_toolTip;
    m_label = label;
    m_toolTip = toolTip;
    if (!m_exported)
        return;
    QVariantMap changed;
    if (newLabel) {
        emit m_adaptor->XAyatanaNewLabel(m_label, labelGuide());
        changed.insert(u"XAyatanaLabel"_s, m_label);
    }
    if (newToolTip)
        changed.insert(u"ToolTip"_s, QVariant::fromValue(this->toolTip()));
    if (changed.isEmpty())
        return;
    sendPropertiesChanged(changed);
    if (newToolTip)
        emit m_adaptor->NewToolTip();
}

void StatusNotifierItem::updateIcon()
{
    DBusImageList pixmaps = renderPixmaps();
    if (pixmaps == m_pixmaps)
        return;
    m_pixmaps = std::move(pixmaps);
    if (!m_exported)
        return;
    sendPropertiesChanged({{u"IconPixmap"_s, QVariant::fromValue(m_pixmaps)}});
    emit m_adaptor->NewIcon();
}

DBusImageList StatusNotifierItem::renderPixmaps() const
{
    DBusImageList out;
    if (!m_renderer)
        return out;
    for (int size : StatusIconRenderer::standardSides) {
        QImage image = m_renderer(size);
        if (image.isNull())
            continue;
        // A renderer's mistake must not put megabytes on the bus.
        if (image.width() > maxRenderedSide || image.height() > maxRenderedSide)
            image = image.scaled(maxRenderedSide, maxRenderedSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        out.append(SniTypes::toDBusImage(image));
    }
    return out;
}

void StatusNotifierItem::sendPropertiesChanged(const QVariantMap& changed)
{
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(objectPath),
                                                     u"org.freedesktop.DBus.Properties"_s,
                                                     u"PropertiesChanged"_s);
    signal << QString::fromLatin1(interfaceName) << changed << QStringList();
    m_bus.send(signal);
}

void StatusNotifierItem::handleActivate(int x, int y)
{
    emit activated(QPoint(x, y));
}

void StatusNotifierItem::handleSecondaryActivate()
{
    emit secondaryActivated();
}

void StatusNotifierItem::handleXdgActivationToken(const QString& token)
{
    XdgActivationToken::store(token);
}
