#pragma once

#include "app/dbus/SniTypes.h"

#include "app/dbus/StatusNotifierWatcher.h"

#include <QDBusConnection>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>

#include <functional>

class DBusMenu;
class QDBusServiceWatcher;
class StatusNotifierItemAdaptor;

// Ostrel's own StatusNotifierItem: the drawn glyph plus the Ayatana label
// beside it, which Qt's tray icon cannot send. It owns the bus name
// org.kde.StatusNotifierItem-<pid>-<n>, serves org.kde.StatusNotifierItem at
// /StatusNotifierItem with a dbusmenu at /MenuBar, and registers with the
// StatusNotifierWatcher every time one appears, so a panel that starts after
// the application still gets the item. When the watcher drops the item, or
// does not list it a moment after registering, it registers again, a few
// times at most. Without a bus it stays inert. One
// item per connection at a time (the object paths are fixed).
class StatusNotifierItem : public QObject
{
    Q_OBJECT

public:
    // Draws the icon as a square image of `sizePx` device pixels.
    using IconRenderer = std::function<QImage(int sizePx)>;

    static constexpr const char* objectPath = "/StatusNotifierItem";
    static constexpr const char* menuPath = "/MenuBar";
    static constexpr const char* interfaceName = "org.kde.StatusNotifierItem";

    explicit StatusNotifierItem(IconRenderer renderer, QObject* parent = nullptr);
    StatusNotifierItem(IconRenderer renderer, const QDBusConnection& bus, QObject* parent = nullptr);
    ~StatusNotifierItem() override;


    // The text beside the glyph, verbatim (empty shows the glyph alone), and
    // the tooltip's text under the application's name. Each is announced on
    // the bus only when it differs.
    QString label() const { return m_label; }
    void setContent(const QString& label, const QString& toolTip);

    // Draws every standard size afresh (say, after the percentage or the bar
    // colour changed) and announces the icon if any pixel differs.
    void updateIcon();

    // What the adaptor serves.
    const DBusImageList& iconPixmaps() const { return m_pixmaps; }
    DBusToolTip toolTip() const;
    static QString labelGuide();

    // Called by the adaptor for the host's requests.
    void handleActivate(int x, int y);
    void handleSecondaryActivate();
    void handleXdgActivationToken(const QString& token);

signals:
    // A primary click, at the point the host sent, as it sent it: hosts
    // disagree on units (logical, device pixels, even widget-relative), and
    // several send 0,0, which arrives as a null point, when they have none.
    // Making sense of it takes the screens, which the caller knows.
    void activated(QPoint hostPoint);
    // A middle click.
    void secondaryActivated();
    // The menu's items.
    void openRequested();
    void refreshRequested();
    void quitRequested();

private:
    Q_SLOT void onItemUnregistered(const QString& entry);
    void registerWithWatcher();
    void registerAgain();
    void checkListed();
    bool isOurs(const QString& entry) const;
    void sendPropertiesChanged(const QVariantMap& changed);
    DBusImageList renderPixmaps() const;

    QDBusConnection m_bus;
    IconRenderer m_renderer;
    QString m_serviceName;
    bool m_exported = false;
    QString m_label;
    QString m_toolTip;
    DBusImageList m_pixmaps;
    DBusMenu* m_menu = nullptr;
    StatusNotifierItemAdaptor* m_adaptor = nullptr;
    QDBusServiceWatcher* m_watcherWatch = nullptr;
    QTimer m_retryTimer;
    StatusNotifierWatcher::Retry m_retry;
    QTimer m_listedCheck;
    int m_reregistrations = 0;
    bool m_byPath = false;
};
