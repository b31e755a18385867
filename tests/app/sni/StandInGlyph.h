#pragma once

#include <QPainter>
#include <QPainterPath>
#include <QRectF>

#include <cmath>
#include <numbers>

// A stand-in for the application's glyph: eight tapered rays round a dot,
// laid out in an 18-unit square and scaled to the rectangle.
inline void paintStandInGlyph(QPainter& painter, const QRectF& rect)
{
    painter.save();
    painter.translate(rect.center());
    painter.scale(rect.width() / 18.0, rect.height() / 18.0);
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (int i = 0; i < 8; ++i) {
        const double a = 2 * std::numbers::pi * i / 8 - std::numbers::pi / 2;
        const QPointF u(std::cos(a), std::sin(a));
        const QPointF p(std::cos(a + std::numbers::pi / 2), std::sin(a + std::numbers::pi / 2));
        QPolygonF ray{2.2 * u + 1.0 * p, 8.0 * u + 0.2 * p, 8.0 * u - 0.2 * p, 2.2 * u - 1.0 * p};
        path.addPolygon(ray);
        path.closeSubpath();
    }
    path.addEllipse(QPointF(0, 0), 2, 2);
    painter.fillPath(path, Qt::black);
    painter.restore();
}
