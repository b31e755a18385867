#include "app/StatusItem.h"

#include "app/MenuBarIcon.h"
#include "app/TrayIcon.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

// Without a session bus convention, Qt's tray icon is the platform's own
// status item; it follows the palette for its glyph colour.
struct StatusItem::Private : QObject
{
    Private()
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

    QColor color() const { return MenuBarIcon::colorFor(QGuiApplication::palette()); }

    void update() { tray.setContent(label, percent, color()); }

    TrayIcon tray;
    QString label;
    std::optional<qint64> percent;
};

StatusItem::StatusItem(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    connect(&d->tray, &TrayIcon::activated, this, &StatusItem::activated);
    connect(&d->tray, &TrayIcon::openRequested, this, &StatusItem::openRequested);
    connect(&d->tray, &TrayIcon::refreshRequested, this, &StatusItem::refreshRequested);
    connect(&d->tray, &TrayIcon::quitRequested, this, &StatusItem::quitRequested);
    d->update();
}

StatusItem::~StatusItem() = default;

void StatusItem::show()
{
    d->tray.show();
}

void StatusItem::setContent(const QString& label, std::optional<qint64> sessionPercent)
{
    d->label = label;
    d->percent = sessionPercent;
    d->update();
}

QString StatusItem::label() const
{
    return d->label;
}

QString StatusItem::toolTip() const
{
    return d->tray.toolTip();
}

QColor StatusItem::glyphColor() const
{
    return d->color();
}

std::optional<QRect> StatusItem::geometry() const
{
    return d->tray.geometry();
}

bool StatusItem::showsSystemTrayIcon() const
{
    return d->tray.isVisible();
}

QString StatusItem::statusNotifierService() const
{
    return {};
}
