#include "app/StatusItem.h"

#include "app/PanelPlacement.h"
#include "app/SystemTrayItem.h"
#include "app/dbus/ColorSchemeWatcher.h"
#include "app/dbus/DesktopNotifications.h"
#include "app/dbus/StatusAreaHost.h"
#include "app/dbus/StatusNotifierItem.h"
#include "glyph/GlyphColors.h"
#include "config/AppInfo.h"
#include "glyph/StatusIconRenderer.h"

#include <QTimer>

#include <chrono>

// Our own StatusNotifierItem while an SNI host is registered, Qt's tray icon
// (XEmbed) while none is, never both. Each is made when its turn comes and
// dropped when it ends: Qt picks its tray backend at the first tray icon,
// and one made while a host exists would become a second SNI item.
struct StatusItem::Private
{
    explicit Private(StatusItem* owner)
        : q(owner)
    {
        arrival.setSingleShot(true);
        arrival.setInterval(hostSettleTime);
        QObject::connect(&arrival, &QTimer::timeout, q, [this] { follow(); });
    }

    // Which of the two exists follows the host decision.
    void follow()
    {
        if (!shown)
            return;
        switch (host.presentation()) {
        case StatusAreaHost::Presentation::Undecided:
            return;
        case StatusAreaHost::Presentation::StatusNotifierItem:
            tray.reset();
            // A host that has only just registered may still be building its
            // tray: gtk-sni-tray 0.1.8 showed an item that registered within a
            // few milliseconds of it twice, one copy never updated (3 starts
            // in 14 in the end-to-end test). A host that turns up while we
            // are running gets a second first.
            if (!item && !arrival.isActive()) {
                if (hostArriving) {
                    hostArriving = false;
                    arrival.start();
                    return;
                }
                makeItem();
            }
            break;
        case StatusAreaHost::Presentation::SystemTrayFallback:
            arrival.stop();
            hostArriving = true;
            item.reset();
            if (!tray)
                makeTray();
            break;
        }
        updateIcon();
    }

    void makeItem()
    {
        itemIcon = iconContent();
        item = std::make_unique<StatusNotifierItem>([this](int side) { return renderIcon(side); });
        item->setContent(label, toolTip);
        QObject::connect(item.get(), &StatusNotifierItem::activated, q,
                         [this](QPoint hostPoint) { emit q->activated(clickAnchor(hostPoint)); });
        QObject::connect(item.get(), &StatusNotifierItem::secondaryActivated, q,
                         [this] { emit q->activated(clickAnchor(QPoint())); });
        QObject::connect(item.get(), &StatusNotifierItem::openRequested, q,
                         [this] { emit q->openRequested(clickAnchor(QPoint())); });
        QObject::connect(item.get(), &StatusNotifierItem::refreshRequested, q, &StatusItem::refreshRequested);
        QObject::connect(item.get(), &StatusNotifierItem::quitRequested, q, &StatusItem::quitRequested);
    }

    void makeTray()
    {
        // XEmbed trays show square icons only.
        tray = std::make_unique<SystemTrayItem>(SystemTrayItem::Shape::Square, q);
        QObject::connect(tray.get(), &SystemTrayItem::activated, q, &StatusItem::activated);
        QObject::connect(tray.get(), &SystemTrayItem::openRequested, q, &StatusItem::openRequested);
        QObject::connect(tray.get(), &SystemTrayItem::refreshRequested, q, &StatusItem::refreshRequested);
        QObject::connect(tray.get(), &SystemTrayItem::quitRequested, q, &StatusItem::quitRequested);
        tray->setContent(label, percent, toolTip, bar());
        tray->show();
    }

    // The bar's brightness as far as we can tell: GNOME's is always dark,
    // others follow the desktop's scheme.
    Appearance bar() const { return host.hostTraits().darkPanel ? Appearance::Dark : scheme.scheme(); }

    // Where no label is seen, the icon carries the percentage.
    std::optional<qint64> iconPercent() const { return host.iconCarriesPercent() ? percent : std::nullopt; }

    QImage renderIcon(int side) const
    {
        return StatusIconRenderer::render(
            {side, 1.0, iconPercent(), GlyphColors::inkOn(bar()), GlyphColors::haloOn(bar())});
    }

    // The label changes with every fetch, the icon far less often: the item
    // redraws only when what its icon shows changed.
    struct IconContent
    {
        std::optional<qint64> percent;
        Appearance bar;
        friend bool operator==(const IconContent&, const IconContent&) = default;
    };

    IconContent iconContent() const { return {iconPercent(), bar()}; }

    void updateIcon()
    {
        if (item && iconContent() != itemIcon) {
            itemIcon = iconContent();
            item->updateIcon();
        }
        if (tray)
            tray->setContent(label, percent, toolTip, bar());
    }

    static std::optional<QRect> clickAnchor(const QPoint& hostPoint)
    {
        const std::optional<QPoint> point = PanelPlacement::clickPoint(hostPoint, PanelPlacement::currentPointer(),
                                                                       PanelPlacement::currentScreens());
        if (!point)
            return std::nullopt;
        return QRect(*point, QSize(1, 1));
    }

    static constexpr std::chrono::milliseconds hostSettleTime{1000};

    StatusItem* q;
    QTimer arrival;
    bool hostArriving = false;
    ColorSchemeWatcher scheme;
    StatusAreaHost host{q};
    DesktopNotifications notifications{QDBusConnection::sessionBus(), QString::fromLatin1(AppInfo::name),
                                       QString::fromLatin1(AppInfo::id)};
    std::unique_ptr<StatusNotifierItem> item;
    IconContent itemIcon;
    std::unique_ptr<SystemTrayItem> tray;
    bool shown = false;
    QString label;
    QString toolTip;
    std::optional<qint64> percent;
};

StatusItem::StatusItem(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this))
{
    connect(&d->host, &StatusAreaHost::changed, this, [this] { d->follow(); });
    connect(&d->scheme, &ColorSchemeWatcher::schemeChanged, this, [this] { d->updateIcon(); });
    connect(&d->notifications, &DesktopNotifications::opened, this, [this] { emit openRequested(geometry()); });
}

StatusItem::~StatusItem() = default;

void StatusItem::show()
{
    d->shown = true;
    d->follow();
}

void StatusItem::setContent(const QString& label, std::optional<qint64> sessionPercent, const QString& toolTip)
{
    d->label = label;
    d->toolTip = toolTip;
    d->percent = sessionPercent;
    if (d->item)
        d->item->setContent(label, toolTip);
    d->updateIcon();
}

std::optional<QRect> StatusItem::geometry() const
{
    return d->tray ? d->tray->geometry() : std::nullopt;
}

void StatusItem::notify(const LimitAlerts::Alert& alert)
{
    // One notification per limit: a later alert replaces the earlier one.
    d->notifications.notify(int(alert.limit), alert.summary, alert.body, alert.kind == LimitAlerts::Kind::Reached);
}
