#include "app/StatusItem.h"

#include "app/MenuBarIcon.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

StatusItem::StatusItem(QObject* parent)
    : QObject(parent)
    , m_glyphColor(Qt::black)
{
    // Some hosts open the menu on a plain click, so it offers the panel too.
    m_menu.addAction(u"Open Ostrel"_s, this, [this] { emit activated(anchor()); });
    m_menu.addSeparator();
    m_menu.addAction(u"Quit"_s, this, &StatusItem::quitRequested);
    m_tray.setContextMenu(&m_menu);
    m_tray.setIcon(MenuBarIcon::create(m_glyphColor));
    setLabel(QString());
    connect(&m_tray, &QSystemTrayIcon::activated, this, &StatusItem::onActivated);
}

void StatusItem::show()
{
    m_tray.show();
}

void StatusItem::setLabel(const QString& label)
{
    m_label = label;
    // Without figures the tooltip still says what the item is.
    const QString tip = label.isEmpty() ? QGuiApplication::applicationDisplayName() : label;
    if (tip != m_tray.toolTip())
        m_tray.setToolTip(tip);
}

QString StatusItem::toolTip() const
{
    return m_tray.toolTip();
}

void StatusItem::setGlyphColor(const QColor& color)
{
    if (color == m_glyphColor)
        return;
    m_glyphColor = color;
    m_tray.setIcon(MenuBarIcon::create(color));
}

std::optional<QRect> StatusItem::geometry() const
{
    const QRect rect = m_tray.geometry();
    if (!rect.isValid() || rect.isEmpty())
        return std::nullopt;
    return rect;
}

std::optional<QRect> StatusItem::anchor() const
{
    if (const auto rect = geometry())
        return rect;
    // Hosts that do not say where the item is: the pointer is on it, except
    // on Wayland, where the pointer position means nothing to us.
    if (QGuiApplication::platformName() == u"wayland"_s)
        return std::nullopt;
    return QRect(QCursor::pos(), QSize(1, 1));
}

void StatusItem::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick:
    case QSystemTrayIcon::MiddleClick:
        emit activated(anchor());
        break;
    case QSystemTrayIcon::Context:
    case QSystemTrayIcon::Unknown:
        break;
    }
}
