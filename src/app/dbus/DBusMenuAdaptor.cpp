#include "app/dbus/DBusMenuAdaptor.h"

#include "app/dbus/DBusMenu.h"

#include <QDBusMessage>

using namespace Qt::Literals::StringLiterals;

DBusMenuAdaptor::DBusMenuAdaptor(DBusMenu* menu)
    : QDBusAbstractAdaptor(menu)
    , m_menu(menu)
{
    DBusMenuTypes::registerTypes();
}

QString DBusMenuAdaptor::textDirection() const
{
    return u"ltr"_s;
}

QString DBusMenuAdaptor::status() const
{
    return u"normal"_s;
}

void DBusMenuAdaptor::replyError(const QString& message)
{
    if (m_menu->calledFromDBus())
        m_menu->sendErrorReply(QDBusError::InvalidArgs, message);
}

uint DBusMenuAdaptor::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                DBusMenuLayoutItem& layout)
{
    if (auto found = m_menu->layout(parentId, recursionDepth, propertyNames))
        layout = std::move(*found);
    else
        replyError(u"No menu item with id %1"_s.arg(parentId));
    return DBusMenu::revision;
}

QList<DBusMenuItem> DBusMenuAdaptor::GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames)
{
    return m_menu->groupProperties(ids, propertyNames);
}

QDBusVariant DBusMenuAdaptor::GetProperty(int id, const QString& name)
{
    if (auto value = m_menu->property(id, name))
        return QDBusVariant(*value);
    replyError(u"No property %1 on menu item %2"_s.arg(name).arg(id));
    return QDBusVariant(QVariant(QString()));
}

void DBusMenuAdaptor::Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp)
{
    Q_UNUSED(data);
    Q_UNUSED(timestamp);
    if (!m_menu->handleEvent(id, eventId))
        replyError(u"No menu item with id %1"_s.arg(id));
}

QList<int> DBusMenuAdaptor::EventGroup(const QList<DBusMenuEvent>& events)
{
    QList<int> idErrors;
    for (const DBusMenuEvent& event : events) {
        if (!m_menu->handleEvent(event.id, event.eventId))
            idErrors.append(event.id);
    }
    return idErrors;
}

bool DBusMenuAdaptor::AboutToShow(int id)
{
    if (!m_menu->hasItem(id))
        replyError(u"No menu item with id %1"_s.arg(id));
    return false;
}

QList<int> DBusMenuAdaptor::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    for (int id : ids) {
        if (!m_menu->hasItem(id))
            idErrors.append(id);
    }
    return {};
}
