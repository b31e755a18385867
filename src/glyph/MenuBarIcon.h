#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <array>

class QPainter;

// The application's glyph: eight tapered rays around a small disc, drawn in
// code on every request (nothing is cached). It is laid out on an 18-point
// square with the y axis pointing up.
namespace MenuBarIcon {

inline constexpr qreal glyphSize = 18;

// One ray's quadrilateral: inner left, outer left, outer right, inner right.
using Ray = std::array<QPointF, 4>;

// The rays' vertices for a destination rectangle, in y-up coordinates of that
// rectangle (y = 0 at its bottom edge). Ray 0 points down, each next one 45°
// counter-clockwise. Rays keep their lengths in points and are centred on
// the rectangle's mid-point, whatever its size.
std::array<Ray, 8> rays(const QRectF& rect);

// The compound path of the eight rays and the centre disc (non-zero fill),
// in the same y-up coordinates.
QPainterPath path(const QRectF& rect);

// Fills the glyph into `rect` of a painter whose y axis points down.
void draw(QPainter& painter, const QRectF& rect, const QColor& color);

// The glyph scaled so that its 18-point square fills the square `rect`
// (centred in it if it is not square), y pointing down. For icons, where the
// glyph must grow with the size asked for.
QPainterPath fittedPath(const QRectF& rect);

} // namespace MenuBarIcon
