#include "app/dbus/ColorSchemeWatcher.h"

#include "glyph/GlyphColors.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString portalService = u"org.freedesktop.portal.Desktop"_s;
const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString settingsInterface = u"org.freedesktop.portal.Settings"_s;
const QString appearanceNamespace = u"org.freedesktop.appearance"_s;
const QString colorSchemeKey = u"color-scheme"_s;

Appearance paletteScheme()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return Appearance::Light;
    return GlyphColors::appearanceOf(QGuiApplication::palette());
}

} // namespace

ColorSchemeWatcher::ColorSchemeWatcher(QObject* parent)
    : ColorSchemeWatcher(QDBusConnection::sessionBus(), parent)
{
}

ColorSchemeWatcher::ColorSchemeWatcher(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_scheme(paletteScheme())
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
    if (!m_bus.isConnected())
        return;
    // The bus only delivers to a slot whose argument types are all known to
    // the meta-type system; QDBusVariant is not until someone registers it.
    qRegisterMetaType<QDBusVariant>();
    m_bus.connect(portalService, portalPath, settingsInterface, u"SettingChanged"_s, this,
                  SLOT(onSettingChanged(QString, QString, QDBusVariant)));
    read(u"ReadOne"_s);
}

ColorSchemeWatcher::~ColorSchemeWatcher()
{
    if (m_bus.isConnected())
        m_bus.disconnect(portalService, portalPath, settingsInterface, u"SettingChanged"_s, this,
                         SLOT(onSettingChanged(QString, QString, QDBusVariant)));
}

std::optional<Appearance> ColorSchemeWatcher::fromPortalValue(const QVariant& value)
{
    QVariant v = value;
    // ReadOne gives v(u); the older Read gives v(v(u)). Three levels is plenty.
    for (int i = 0; i < 3 && v.metaType() == QMetaType::fromType<QDBusVariant>(); ++i)
        v = v.value<QDBusVariant>().variant();
    bool ok = false;
    uint number = 0;
    switch (v.metaType().id()) {
    case QMetaType::UInt:
    case QMetaType::Int:
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::Short:
    case QMetaType::ULongLong:
    case QMetaType::LongLong:
        number = v.toUInt(&ok);
        break;
    default:
        break;
    }
    if (!ok)
        return std::nullopt;
    switch (number) {
    case 0:
    case 2:
        return Appearance::Light;
    case 1:
        return Appearance::Dark;
    }
    return std::nullopt;
}

void ColorSchemeWatcher::read(const QString& method)
{
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, method);
    call << appearanceNamespace << colorSchemeKey;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, method](QDBusPendingCallWatcher* call) { onReadFinished(call, method); });
}

void ColorSchemeWatcher::onReadFinished(QDBusPendingCallWatcher* call, const QString& method)
{
    call->deleteLater();
    const QDBusPendingReply<QDBusVariant> reply = *call;
    if (reply.isError()) {
        // Portals before version 2 have only Read.
        if (method == "ReadOne"_L1 && reply.error().type() == QDBusError::UnknownMethod)
            read(u"Read"_s);
        return;
    }
    if (const auto scheme = fromPortalValue(reply.value().variant())) {
        m_portalScheme = scheme;
        update();
    }
}

void ColorSchemeWatcher::onSettingChanged(const QString& ns, const QString& key, const QDBusVariant& value)
{
    if (ns != appearanceNamespace || key != colorSchemeKey)
        return;
    m_portalScheme = fromPortalValue(value.variant());
    update();
}

bool ColorSchemeWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange)
        update();
    return QObject::eventFilter(watched, event);
}

void ColorSchemeWatcher::update()
{
    const Appearance scheme = m_portalScheme.value_or(paletteScheme());
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    emit schemeChanged(m_scheme);
}
