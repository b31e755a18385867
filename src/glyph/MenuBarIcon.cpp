#include "glyph/MenuBarIcon.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

std::array<MenuBarIcon::Ray, 8> MenuBarIcon::rays(const QRectF& rect)
{
    // y up: the centre sits at the same height whichever way y runs.
    const QPointF c(rect.width() / 2, rect.height() / 2);
    std::array<Ray, 8> result;
    for (int i = 0; i < 8; ++i) {
        const double a = 2 * std::numbers::pi * i / 8 - std::numbers::pi / 2;
        const QPointF u(std::cos(a), std::sin(a));
        const QPointF p(std::cos(a + std::numbers::pi / 2), std::sin(a + std::numbers::pi / 2));
        result[i] = Ray{c + 2.2 * u + 1.0 * p, c + 8.0 * u + 0.2 * p, c + 8.0 * u - 0.2 * p, c + 2.2 * u - 1.0 * p};
    }
    return result;
}

QPainterPath MenuBarIcon::path(const QRectF& rect)
{
    QPainterPath glyph;
    glyph.setFillRule(Qt::WindingFill);
    for (const Ray& ray : rays(rect)) {
        glyph.moveTo(ray[0]);
        glyph.lineTo(ray[1]);
        glyph.lineTo(ray[2]);
        glyph.lineTo(ray[3]);
        glyph.closeSubpath();
    }
    const QPointF c(rect.width() / 2, rect.height() / 2);
    glyph.addEllipse(QRectF(c.x() - 2, c.y() - 2, 4, 4));
    return glyph;
}

void MenuBarIcon::draw(QPainter& painter, const QRectF& rect, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // Move the rectangle's bottom-left corner to the origin with y pointing up.
    painter.translate(rect.left(), rect.bottom());
    painter.scale(1, -1);
    painter.fillPath(path(rect), color);
    painter.restore();
}

QPainterPath MenuBarIcon::fittedPath(const QRectF& rect)
{
    const qreal side = std::min(rect.width(), rect.height());
    if (side <= 0)
        return {};
    // The glyph's square, bottom-left corner first, turned y-down and scaled.
    const QPointF centre = rect.center();
    QTransform transform;
    transform.translate(centre.x() - side / 2, centre.y() + side / 2);
    transform.scale(side / glyphSize, -side / glyphSize);
    return transform.map(path(QRectF(0, 0, glyphSize, glyphSize)));
}
