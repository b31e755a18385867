#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRectF>

// The application's icon for menus and software centres: the status-area
// glyph in dark brown on an orange rounded tile. The tile reads on light and
// dark menus alike, and a dark glyph keeps the thin rays visible at 16 pixels
// where white ones blur into the orange. Both forms come from MenuBarIcon's
// drawing, never a second copy of it.
namespace AppIcon {

// The icon's square, in the glyph's points: the 18-point glyph with a
// one-point margin inside the tile.
inline constexpr qreal squareSize = 20;

QRectF tileRect();
qreal tileRadius();
QRectF glyphRect();

// The tile's orange: the panel header's glyph colour.
QColor tileColor();
QColor glyphColor();

// The icon rendered at side × side pixels.
QImage image(int side);

// The scalable icon: the tile and the glyph's path written out as SVG.
QByteArray svg();

} // namespace AppIcon
