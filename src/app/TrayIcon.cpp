#include "app/TrayIcon.h"

#include "app/MenuBarIcon.h"
#include "app/PanelPlacement.h"
#include "app/StatusIcon.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

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

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent)
{
    m_menu.addAction(u"Open"_s, this, [this] { emit openRequested(anchor()); });
    m_menu.addAction(u"Refresh"_s, this, &TrayIcon::refreshRequested);
    m_menu.addSeparator();
    m_menu.addAction(u"Quit"_s, this, &TrayIcon::quitRequested);
    m_tray.setContextMenu(&m_menu);
    connect(&m_tray, &QSystemTrayIcon::activated, this, &TrayIcon::onActivated);
}

void TrayIcon::show()
{
    m_tray.show();
}

void TrayIcon::setContent(const QString& label, std::optional<qint64> percent, const QColor& glyphColor)
{
    const QString tip = label.isEmpty() ? QGuiApplication::applicationDisplayName() : label;
    if (tip != m_tray.toolTip())
        m_tray.setToolTip(tip);
    // The label changes with every fetch, the icon far less often: draw only
    // when what it shows changed.
    const QList<qreal> ratios = screenRatios();
    if (m_hasIcon && percent == m_percent && glyphColor == m_glyphColor && ratios == m_ratios)
        return;
    m_hasIcon = true;
    m_percent = percent;
    m_glyphColor = glyphColor;
    m_ratios = ratios;
    m_tray.setIcon(icon(percent, glyphColor, ratios));
}

QIcon TrayIcon::icon(std::optional<qint64> percent, const QColor& glyphColor, const QList<qreal>& devicePixelRatios)
{
    QList<int> sides{16, 22, 24, 32, 44, 48, 64};
    for (const qreal ratio : devicePixelRatios) {
        const qreal exact = traySlot * ratio;
        if (!(exact >= 1 && exact <= maxSide))
            continue;
        const int side = int(std::lround(exact));
        if (!sides.contains(side))
            sides.append(side);
    }
    const auto paintGlyph = [](QPainter& painter, const QRectF& rect) {
        MenuBarIcon::drawFitted(painter, rect, Qt::black);
    };
    QIcon result;
    for (const int side : sides)
        result.addPixmap(QPixmap::fromImage(StatusIcon::render({side, 1.0, percent, glyphColor}, paintGlyph)));
    return result;
}

std::optional<QRect> TrayIcon::geometry() const
{
    const QRect rect = m_tray.geometry();
    if (!rect.isValid() || rect.isEmpty())
        return std::nullopt;
    return rect;
}

std::optional<QRect> TrayIcon::anchor() const
{
    if (const auto rect = geometry())
        return rect;
    if (const auto pointer = PanelPlacement::currentPointer())
        return QRect(*pointer, QSize(1, 1));
    return std::nullopt;
}

void TrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason)
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
