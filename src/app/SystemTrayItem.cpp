#include "app/SystemTrayItem.h"

#include "app/PanelPlacement.h"
#include "glyph/GlyphColors.h"
#include "glyph/MenuBarLabel.h"
#include "glyph/StatusIconRenderer.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// A tray's usual slot, and the menu bar's height for a wide item.
constexpr int traySlot = 22;
// Beyond this a screen ratio is nonsense, not a display.
constexpr int maxSide = 512;

QList<qreal> screenRatios()
{
    QList<qreal> ratios;
    for (const QScreen* screen : QGuiApplication::screens())
        ratios.append(screen->devicePixelRatio());
    return ratios;
}

} // namespace

SystemTrayItem::Shape SystemTrayItem::platformShape()
{
    return QGuiApplication::platformName() == "cocoa"_L1 ? Shape::Wide : Shape::Square;
}

SystemTrayItem::SystemTrayItem(Shape shape, QObject* parent)
    : QObject(parent)
    , m_shape(shape)
{
    m_menu.addAction(u"Open"_s, this, [this] { emit openRequested(anchor()); });
    m_menu.addAction(u"Refresh"_s, this, &SystemTrayItem::refreshRequested);
    m_menu.addSeparator();
    m_menu.addAction(u"Quit"_s, this, &SystemTrayItem::quitRequested);
    m_tray.setContextMenu(&m_menu);
    connect(&m_tray, &QSystemTrayIcon::activated, this, &SystemTrayItem::onActivated);
    connect(&m_tray, &QSystemTrayIcon::messageClicked, this, &SystemTrayItem::messageClicked);
}

void SystemTrayItem::show()
{
    m_tray.show();
}

void SystemTrayItem::setContent(const QString& label, std::optional<qint64> percent, const QString& toolTip,
                                Appearance bar)
{
    const QString tip = toolTip.isEmpty() ? QGuiApplication::applicationDisplayName() : toolTip;
    if (tip != m_tray.toolTip())
        m_tray.setToolTip(tip);
    // The label changes with every fetch, a square icon far less often.
    const IconContent content{m_shape == Shape::Wide ? label : QString(),
                              m_shape == Shape::Square ? percent : std::nullopt, bar, screenRatios()};
    if (content == m_shown)
        return;
    m_shown = content;
    m_tray.setIcon(icon(content));
}

QIcon SystemTrayItem::icon(const IconContent& content) const
{
    QIcon result;
    if (m_shape == Shape::Wide) {
        const MenuBarLabel wide(content.label);
        for (const qreal ratio : content.ratios) {
            if (ratio >= 1 && traySlot * ratio <= maxSide)
                result.addPixmap(QPixmap::fromImage(
                    wide.render(QGuiApplication::font(), GlyphColors::inkOn(content.bar), traySlot, ratio)));
        }
        // The menu bar colours a mask itself, for its appearance and highlight.
        result.setIsMask(true);
        return result;
    }
    // Every standard side, plus the slot at each screen's ratio, each drawn
    // for its size rather than scaled.
    QList<int> sides = StatusIconRenderer::standardSides;
    for (const qreal ratio : content.ratios) {
        const qreal exact = traySlot * ratio;
        if (!(exact >= 1 && exact <= maxSide))
            continue;
        const int side = int(std::lround(exact));
        if (!sides.contains(side))
            sides.append(side);
    }
    for (const int side : sides)
        result.addPixmap(QPixmap::fromImage(StatusIconRenderer::render(
            {side, 1.0, content.percent, GlyphColors::inkOn(content.bar), GlyphColors::haloOn(content.bar)})));
    return result;
}

void SystemTrayItem::showMessage(const QString& title, const QString& text)
{
    m_tray.showMessage(title, text);
}

std::optional<QRect> SystemTrayItem::geometry() const
{
    const QRect rect = m_tray.geometry();
    if (!rect.isValid() || rect.isEmpty())
        return std::nullopt;
    return rect;
}

std::optional<QRect> SystemTrayItem::anchor() const
{
    if (const auto rect = geometry())
        return rect;
    if (const auto pointer = PanelPlacement::currentPointer())
        return QRect(*pointer, QSize(1, 1));
    return std::nullopt;
}

void SystemTrayItem::onActivated(QSystemTrayIcon::ActivationReason reason)
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
