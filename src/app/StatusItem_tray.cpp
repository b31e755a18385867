#include "app/StatusItem.h"

#include "app/SystemTrayItem.h"
#include "glyph/GlyphColors.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

// Without a session bus convention, Qt's tray icon is the platform's own
// status item; its ink follows the application palette.
struct StatusItem::Private : QObject
{
    explicit Private(StatusItem* owner)
        : tray(SystemTrayItem::platformShape(), owner)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

    ~Private() override { QCoreApplication::instance()->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange)
            update();
        return QObject::eventFilter(watched, event);
    }

    void update()
    {
        tray.setContent(label, percent, toolTip, GlyphColors::appearanceOf(QGuiApplication::palette()));
    }

    SystemTrayItem tray;
    QString label;
    QString toolTip;
    std::optional<qint64> percent;
};

StatusItem::StatusItem(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this))
{
    connect(&d->tray, &SystemTrayItem::activated, this, &StatusItem::activated);
    connect(&d->tray, &SystemTrayItem::openRequested, this, &StatusItem::openRequested);
    connect(&d->tray, &SystemTrayItem::refreshRequested, this, &StatusItem::refreshRequested);
    connect(&d->tray, &SystemTrayItem::quitRequested, this, &StatusItem::quitRequested);
    connect(&d->tray, &SystemTrayItem::messageClicked, this, [this] { emit openRequested(geometry()); });
    d->update();
}

StatusItem::~StatusItem() = default;

void StatusItem::show()
{
    d->tray.show();
}

void StatusItem::setContent(const QString& label, std::optional<qint64> sessionPercent, const QString& toolTip)
{
    d->label = label;
    d->toolTip = toolTip;
    d->percent = sessionPercent;
    d->update();
}

std::optional<QRect> StatusItem::geometry() const
{
    return d->tray.geometry();
}

void StatusItem::notify(const LimitAlerts::Alert& alert)
{
    // The platform's own notification from its tray icon.
    d->tray.showMessage(alert.summary, alert.body);
}
