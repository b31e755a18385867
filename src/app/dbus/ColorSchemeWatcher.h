#pragma once

#include "model/NamedColor.h"

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>

#include <optional>

class QDBusPendingCallWatcher;

// Follows the desktop's light or dark preference. Qt 6.4 has no colour-scheme
// hint, so this asks the desktop portal (org.freedesktop.appearance
// color-scheme: 0 no preference, 1 dark, 2 light; GNOME only offers 0 and
// dark, so 0 counts as light) and follows its SettingChanged signal. Without
// a portal answer it judges the application palette's window colour, and
// follows palette changes instead.
class ColorSchemeWatcher : public QObject
{
    Q_OBJECT

public:
    explicit ColorSchemeWatcher(QObject* parent = nullptr);
    explicit ColorSchemeWatcher(const QDBusConnection& bus, QObject* parent = nullptr);
    ~ColorSchemeWatcher() override;

    Appearance scheme() const { return m_scheme; }

    // The portal's value, unwrapped from as many variants as some portal
    // versions add: absent for anything but 0, 1 or 2.
    static std::optional<Appearance> fromPortalValue(const QVariant& value);

signals:
    void schemeChanged(Appearance scheme);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void onSettingChanged(const QString& ns, const QString& key, const QDBusVariant& value);

private:
    void read(const QString& method);
    void onReadFinished(QDBusPendingCallWatcher* call, const QString& method);
    void update();

    QDBusConnection m_bus;
    std::optional<Appearance> m_portalScheme;
    Appearance m_scheme = Appearance::Light;
};
