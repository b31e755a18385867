#pragma once

#include "app/dbus/DBusMenuTypes.h"

#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

// The status item's menu as com.canonical.dbusmenu serves it: a fixed root
// with Open, Refresh and Quit. GNOME's AppIndicator extension shows it on a
// single left click, gtk-sni-tray on a right click. Hosts draw it themselves;
// this object only describes it and turns "clicked" events into signals.
// QtDBus keeps the calling message on the adaptor's parent, so the adaptor
// answers errors through this object's QDBusContext.
class DBusMenu : public QObject, public QDBusContext
{
    Q_OBJECT

public:
    enum ItemId : int { Root = 0, Open = 1, Refresh = 2, Quit = 3 };

    explicit DBusMenu(QObject* parent = nullptr);

    // The layout never changes, so its revision never moves.
    static constexpr uint revision = 1;

    bool hasItem(int id) const;

    // The subtree at `parentId`, `depth` levels deep (-1: all), each item with
    // only the named properties (empty: all). Absent for an unknown id.
    std::optional<DBusMenuLayoutItem> layout(int parentId, int depth, const QStringList& propertyNames) const;

    // The named properties (empty: all) of the given items (empty: every item);
    // unknown ids are left out.
    DBusMenuItemList groupProperties(const QList<int>& ids, const QStringList& propertyNames) const;

    // Absent for an unknown item or a property it does not have.
    std::optional<QVariant> property(int id, const QString& name) const;

    // Acts on "clicked"; other events ("hovered", "opened", "closed") are
    // accepted and ignored. Returns false for an unknown id.
    bool handleEvent(int id, const QString& eventId);

signals:
    void openRequested();
    void refreshRequested();
    void quitRequested();

private:
    QVariantMap properties(int id, const QStringList& propertyNames) const;
};
