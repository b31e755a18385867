#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

// Draws the status item's square icon: the glyph alone, or, for hosts that
// show no text beside the icon, the five-hour percentage in large digits
// under a half-size glyph. A halo of the contrasting colour rings everything
// drawn and parts the digits from the glyph: on the bar the ink was chosen
// for it blends in, and on a bar of the other brightness (a panel themed
// apart from the desktop) it keeps the icon legible.
namespace StatusIconRenderer {

// The square sides, in pixels, that status-area hosts pick from at 1× and
// 2× (16 on GNOME and waybar, 22 on Plasma and xfce4-panel, up to the bar's
// height elsewhere).
inline const QList<int> standardSides{16, 22, 24, 32, 44, 48, 64};

struct Request
{
    int logicalSize = 22;          // the square's side in logical pixels
    qreal devicePixelRatio = 1.0;  // the image is logicalSize × ratio pixels
    std::optional<qint64> percent; // absent: the glyph alone
    QColor ink = Qt::black;
    QColor halo = Qt::transparent;
};

// A square ARGB32 image carrying `devicePixelRatio`. Sizes are clamped to
// 1..512 device pixels.
QImage render(const Request& request);

// The digits drawn for a percentage: 0 to 999 as they are; anything else
// cannot be shown legibly in a square and draws the glyph alone.
std::optional<QString> percentText(qint64 percent);

} // namespace StatusIconRenderer
