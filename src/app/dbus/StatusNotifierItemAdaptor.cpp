#include "app/dbus/StatusNotifierItemAdaptor.h"

#include "app/dbus/StatusNotifierItem.h"

using namespace Qt::Literals::StringLiterals;

StatusNotifierItemAdaptor::StatusNotifierItemAdaptor(StatusNotifierItem* item)
    : QDBusAbstractAdaptor(item)
    , m_item(item)
{
    SniTypes::registerTypes();
}

QString StatusNotifierItemAdaptor::category() const
{
    return u"ApplicationStatus"_s;
}

QString StatusNotifierItemAdaptor::id() const
{
    return u"ostrel"_s;
}

QString StatusNotifierItemAdaptor::title() const
{
    return u"Ostrel"_s;
}

QString StatusNotifierItemAdaptor::status() const
{
    return u"Active"_s;
}

DBusImageList StatusNotifierItemAdaptor::iconPixmap() const
{
    return m_item->iconPixmaps();
}

DBusToolTip StatusNotifierItemAdaptor::toolTip() const
{
    return m_item->toolTip();
}

QDBusObjectPath StatusNotifierItemAdaptor::menu() const
{
    return QDBusObjectPath(QString::fromLatin1(StatusNotifierItem::menuPath));
}

QString StatusNotifierItemAdaptor::ayatanaLabel() const
{
    return m_item->label();
}

QString StatusNotifierItemAdaptor::ayatanaLabelGuide() const
{
    return StatusNotifierItem::labelGuide();
}

void StatusNotifierItemAdaptor::Activate(int x, int y)
{
    m_item->handleActivate(x, y);
}

void StatusNotifierItemAdaptor::SecondaryActivate(int x, int y)
{
    Q_UNUSED(x);
    Q_UNUSED(y);
    m_item->handleSecondaryActivate();
}

void StatusNotifierItemAdaptor::XAyatanaSecondaryActivate(uint timestamp)
{
    Q_UNUSED(timestamp);
    m_item->handleSecondaryActivate();
}

void StatusNotifierItemAdaptor::ContextMenu(int x, int y)
{
    // Every host we know draws the exported menu itself; one that asks for
    // a menu here gets the same by a right click on the menu it was sent.
    Q_UNUSED(x);
    Q_UNUSED(y);
}

void StatusNotifierItemAdaptor::Scroll(int delta, const QString& orientation)
{
    // Nothing to scroll through.
    Q_UNUSED(delta);
    Q_UNUSED(orientation);
}

void StatusNotifierItemAdaptor::ProvideXdgActivationToken(const QString& token)
{
    m_item->handleXdgActivationToken(token);
}
