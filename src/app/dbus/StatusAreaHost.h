#pragma once

#include "app/dbus/HostRules.h"
#include "app/dbus/StatusNotifierWatcher.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

// Decides where the status icon lives: in our StatusNotifierItem when an SNI
// host is registered with the watcher, else in Qt's XEmbed tray icon, never
// both. Qt picks its tray backend once, at the first QSystemTrayIcon, from
// the same watcher property, so the fallback must be created only while the
// decision is SystemTrayFallback (a host present then would make Qt register
// a second SNI item of its own).
//
// It follows the watcher coming and going and its host signals, and tells
// from the watcher's owning process whether that host draws the label.
class StatusAreaHost : public QObject
{
    Q_OBJECT

public:
    enum class Presentation {
        Undecided,           // the first answer from the bus is still out
        StatusNotifierItem,  // an SNI host shows our item
        SystemTrayFallback,  // no SNI host: QSystemTrayIcon (XEmbed, X11 only)
    };
    Q_ENUM(Presentation)

    static constexpr std::chrono::milliseconds defaultLossGrace{2000};

    // `lossGrace`: how long a vanished host may take to come back (a panel
    // restarting) before the fallback takes over; appearing takes effect at once.
    explicit StatusAreaHost(QObject* parent = nullptr);
    StatusAreaHost(const QDBusConnection& bus, std::chrono::milliseconds lossGrace, QObject* parent = nullptr);
    ~StatusAreaHost() override;

    Presentation presentation() const { return m_presentation; }
    // Traits of the current SNI host; default (no label) on the fallback.
    HostRules::HostTraits hostTraits() const;
    // Whether the icon must draw the percentage because no label is seen.
    bool iconCarriesPercent() const;

signals:
    // Any of the values above changed.
    void changed();

private slots:
    void query();

private:
    void ask();
    void onAnswers();
    void settle(bool hostRegistered, const QString& processName);
    void apply(bool hostRegistered, const QString& processName);

    QDBusConnection m_bus;
    std::chrono::milliseconds m_lossGrace;
    QDBusServiceWatcher* m_serviceWatch = nullptr;
    QDBusPendingCallWatcher* m_hostCall = nullptr;
    QDBusPendingCallWatcher* m_pidCall = nullptr;
    QTimer m_graceTimer{this};
    QTimer m_retryTimer;
    StatusNotifierWatcher::Retry m_retry;
    Presentation m_presentation = Presentation::Undecided;
    QString m_processName;
};
