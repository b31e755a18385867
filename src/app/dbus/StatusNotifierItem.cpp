#include "app/dbus/StatusNotifierItem.h"

#include "app/dbus/DBusMenu.h"
#include "app/dbus/DBusMenuAdaptor.h"
#include "app/dbus/StatusNotifierItemAdaptor.h"
#include "app/dbus/StatusNotifierWatcher.h"
#include "app/dbus/XdgActivationToken.h"
#include "glyph/StatusIconRenderer.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

#include <atomic>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int maxRenderedSide = 256;

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
                m_retry.reset();
                if (!newOwner.isEmpty())
                    registerWithWatcher();
            });
    registerWithWatcher();
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (!m_exported)
        return;
    m_bus.unregisterObject(QString::fromLatin1(menuPath));
    m_bus.unregisterObject(QString::fromLatin1(objectPath));
    m_bus.unregisterService(m_serviceName);
}

void StatusNotifierItem::registerWithWatcher()
{
    QDBusMessage call = QDBusMessage::createMethodCall(StatusNotifierWatcher::service, StatusNotifierWatcher::path,
                                                       StatusNotifierWatcher::service, u"RegisterStatusNotifierItem"_s);
    call << m_serviceName;
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        // No watcher yet is the normal case at login: the service watcher
        // calls again when one comes.
        if (finished->isError())
            m_retry.schedule(finished->error(), m_retryTimer);
    });
}

QString StatusNotifierItem::labelGuide()
{
    // The widest text the label takes in practice; hosts that honour the
    // guide reserve this width so the panel does not jitter.
    return u"100% \u00B7 4 hr 59 min"_s;
}

DBusToolTip StatusNotifierItem::toolTip() const
{
    return DBusToolTip{QString(), {}, u"Ostrel"_s, m_label};
}

void StatusNotifierItem::setLabel(const QString& label)
{
    if (label == m_label)
        return;
    m_label = label;
    if (!m_exported)
        return;
    emit m_adaptor->XAyatanaNewLabel(m_label, labelGuide());
    sendPropertiesChanged({{u"XAyatanaLabel"_s, m_label}, {u"ToolTip"_s, QVariant::fromValue(toolTip())}});
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
