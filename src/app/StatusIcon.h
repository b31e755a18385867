#pragma once

#include "app/ColorScheme.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class QPainter;

// Draws the status icon: the glyph alone, or, for hosts that show no text
// beside the icon, the five-hour percentage in large digits under a
// half-size glyph. A transparent moat parts the digits from the glyph, so
// both read on light and dark panels alike.
namespace StatusIcon {

// Fills the glyph's shape into `rect` in any opaque colour; only its alpha
// is used, tinted afterwards. (MenuBarIcon's drawing, scaled to `rect`.)
using GlyphPainter = std::function<void(QPainter& painter, const QRectF& rect)>;

struct Request
{
    int logicalSize = 22;          // the square's side in logical pixels
    qreal devicePixelRatio = 1.0;  // the image is logicalSize × ratio pixels
    std::optional<qint64> percent; // absent: the glyph alone
    QColor glyphColor = Qt::black;
};

// A square ARGB32 image carrying `devicePixelRatio`. Sizes are clamped to
// 1..512 device pixels.
QImage render(const Request& request, const GlyphPainter& paintGlyph);

// The digits drawn for a percentage: 0 to 999 as they are; anything else
// cannot be shown legibly in a square and draws the glyph alone.
std::optional<QString> percentText(qint64 percent);

// The glyph colour for a panel: light on dark panels, dark on light ones.
QColor glyphColor(ColorScheme scheme, bool darkPanel);

} // namespace StatusIcon
