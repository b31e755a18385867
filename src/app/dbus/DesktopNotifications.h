#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>

// Notifications through the desktop's org.freedesktop.Notifications service:
// no library beyond QtDBus. Each slot holds one notification, which the next
// one in the slot replaces, so a window's alerts never pile up. Without a
// notification service nothing is shown, silently.
class DesktopNotifications : public QObject
{
    Q_OBJECT

public:
    // `desktopEntry` names our desktop file, for the server's icon and name.
    DesktopNotifications(const QDBusConnection& bus, QString appName, QString desktopEntry, QObject* parent = nullptr);
    ~DesktopNotifications() override;

    void notify(int slot, const QString& summary, const QString& body, bool urgent);

signals:
    // The user chose one of ours (clicked it, or its "Open" action).
    void opened();

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onActivationToken(uint id, const QString& token);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    QString m_appName;
    QString m_desktopEntry;
    QHash<int, uint> m_shown; // slot → the server's id of its notification
};
