#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <chrono>

// One Ostrel per session. The first launch owns the bus name equal to the
// application id and serves org.freedesktop.Application at the matching
// path; a later launch finds the name taken, asks the first to show its
// panel, and exits. No lock or socket files: without a session bus every
// launch is the only one.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Role {
        Primary,   // carry on; activationRequested() reports later launches
        Secondary, // another instance runs (and was asked to show itself): exit 0
    };
    Q_ENUM(Role)

    static constexpr std::chrono::milliseconds callTimeout{3000};

    SingleInstance(const QDBusConnection& bus, const QString& appId, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Decides once; later calls return the same role. A secondary forwards its
    // launch's activation token so the first may raise its window on Wayland.
    Role claim();

    // "/io/github/ostrel/Ostrel" for "io.github.ostrel.Ostrel".
    QString objectPath() const;

    // Called by the adaptor when another launch reached us.
    void handleActivate(const QVariantMap& platformData);

signals:
    // A later launch asked us to show the panel.
    void activationRequested();

private:
    void forwardToPrimary();

    QDBusConnection m_bus;
    QString m_appId;
    bool m_claimed = false;
    bool m_primaryExported = false;
    Role m_role = Role::Primary;
};
