#include "app/dbus/DBusMenu.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int itemIds[] = {DBusMenu::Open, DBusMenu::Refresh, DBusMenu::Quit};

QVariantMap allProperties(int id)
{
    switch (id) {
    case DBusMenu::Root:
        return {{u"children-display"_s, u"submenu"_s}};
    case DBusMenu::Open:
        return {{u"label"_s, u"Open"_s}, {u"enabled"_s, true}, {u"visible"_s, true}};
    case DBusMenu::Refresh:
        return {{u"label"_s, u"Refresh"_s}, {u"enabled"_s, true}, {u"visible"_s, true}};
    case DBusMenu::Quit:
        return {{u"label"_s, u"Quit"_s}, {u"enabled"_s, true}, {u"visible"_s, true}};
    }
    return {};
}

} // namespace

DBusMenu::DBusMenu(QObject* parent)
    : QObject(parent)
{
    DBusMenuTypes::registerTypes();
}

bool DBusMenu::hasItem(int id) const
{
    return id == Root || std::find(std::begin(itemIds), std::end(itemIds), id) != std::end(itemIds);
}

QVariantMap DBusMenu::properties(int id, const QStringList& propertyNames) const
{
    QVariantMap all = allProperties(id);
    if (propertyNames.isEmpty())
        return all;
    QVariantMap picked;
    for (const QString& name : propertyNames) {
        const auto it = all.constFind(name);
        if (it != all.cend())
            picked.insert(name, *it);
    }
    return picked;
}

std::optional<DBusMenuLayoutItem> DBusMenu::layout(int parentId, int depth, const QStringList& propertyNames) const
{
    if (!hasItem(parentId))
        return std::nullopt;
    DBusMenuLayoutItem item{parentId, properties(parentId, propertyNames), {}};
    // Only the root has children; depth 0 asks for the item alone.
    if (parentId == Root && depth != 0) {
        for (int id : itemIds)
            item.children.append({id, properties(id, propertyNames), {}});
    }
    return item;
}

DBusMenuItemList DBusMenu::groupProperties(const QList<int>& ids, const QStringList& propertyNames) const
{
    DBusMenuItemList out;
    if (ids.isEmpty()) {
        out.append({Root, properties(Root, propertyNames)});
        for (int id : itemIds)
            out.append({id, properties(id, propertyNames)});
        return out;
    }
    for (int id : ids) {
        if (hasItem(id))
            out.append({id, properties(id, propertyNames)});
    }
    return out;
}

std::optional<QVariant> DBusMenu::property(int id, const QString& name) const
{
    const QVariantMap all = allProperties(id);
    const auto it = all.constFind(name);
    if (it == all.cend())
        return std::nullopt;
    return *it;
}

bool DBusMenu::handleEvent(int id, const QString& eventId)
{
    if (!hasItem(id))
        return false;
    if (eventId != "clicked"_L1)
        return true;
    switch (id) {
    case Open:
        emit openRequested();
        break;
    case Refresh:
        emit refreshRequested();
        break;
    case Quit:
        emit quitRequested();
        break;
    }
    return true;
}
