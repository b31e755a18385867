#include "views/Symbols.h"

#include "glyph/MenuBarIcon.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>


void Symbols::paint(QPainter& painter, Symbol symbol, const QRectF& rect, const QColor& color)
{
    const qreal s = std::min(rect.width(), rect.height());
    if (s <= 0)
        return;
    const QRectF square(rect.center().x() - s / 2, rect.center().y() - s / 2, s, s);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(square.topLeft());

    const QPen line(color, std::max(1.0, 0.085 * s), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    auto at = [s](qreal x, qreal y) { return QPointF(x * s, y * s); };
    auto box = [s](qreal x, qreal y, qreal w, qreal h) { return QRectF(x * s, y * s, w * s, h * s); };

    switch (symbol) {
    case Symbol::Glyph:
        MenuBarIcon::draw(painter, QRectF(0, 0, s, s), color);
        break;

    case Symbol::ExclamationTriangle: {
        QPainterPath triangle;
        triangle.moveTo(at(0.5, 0.08));
        triangle.lineTo(at(0.95, 0.88));
        triangle.lineTo(at(0.05, 0.88));
        triangle.closeSubpath();
        painter.setPen(line);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(triangle);
        painter.drawLine(at(0.5, 0.37), at(0.5, 0.6));
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(at(0.5, 0.74), 0.055 * s, 0.055 * s);
        break;
    }

    case Symbol::TextWordSpacing: {
        // Two words pushed apart by a double arrow.
        painter.setPen(line);
        painter.drawLine(at(0.08, 0.22), at(0.36, 0.22));
        painter.drawLine(at(0.64, 0.22), at(0.92, 0.22));
        painter.drawLine(at(0.08, 0.78), at(0.36, 0.78));
        painter.drawLine(at(0.64, 0.78), at(0.92, 0.78));
        painter.drawLine(at(0.22, 0.5), at(0.78, 0.5));
        painter.drawPolyline(QPolygonF{at(0.34, 0.38), at(0.22, 0.5), at(0.34, 0.62)});
        painter.drawPolyline(QPolygonF{at(0.66, 0.38), at(0.78, 0.5), at(0.66, 0.62)});
        break;
    }

    case Symbol::Message: {
        QPainterPath bubble;
        bubble.addEllipse(box(0.06, 0.1, 0.88, 0.68));
        QPainterPath tail;
        tail.moveTo(at(0.2, 0.62));
        tail.quadTo(at(0.2, 0.84), at(0.08, 0.92));
        tail.quadTo(at(0.3, 0.9), at(0.4, 0.74));
        painter.setPen(line);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(bubble.united(tail));
        break;
    }

    case Symbol::Hammer: {
        painter.translate(at(0.5, 0.5));
        painter.rotate(-45);
        painter.translate(-0.5 * s, -0.5 * s);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        // Handle, then a head with a flat face on the left and a claw on the right.
        painter.drawRoundedRect(box(0.44, 0.32, 0.12, 0.64), 0.05 * s, 0.05 * s);
        QPainterPath head;
        head.moveTo(at(0.14, 0.08));
        head.lineTo(at(0.62, 0.08));
        head.quadTo(at(0.86, 0.1), at(0.92, 0.3));
        head.quadTo(at(0.76, 0.24), at(0.62, 0.3));
        head.lineTo(at(0.14, 0.3));
        head.closeSubpath();
        painter.drawPath(head);
        break;
    }

    case Symbol::RectangleStack: {
        painter.setPen(line);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(box(0.08, 0.4, 0.84, 0.5), 0.1 * s, 0.1 * s);
        painter.drawLine(at(0.18, 0.26), at(0.82, 0.26));
        painter.drawLine(at(0.28, 0.12), at(0.72, 0.12));
        break;
    }

    case Symbol::TextBubble: {
        QPainterPath bubble;
        bubble.addRoundedRect(box(0.06, 0.1, 0.88, 0.64), 0.16 * s, 0.16 * s);
        QPainterPath tail;
        tail.moveTo(at(0.22, 0.7));
        tail.lineTo(at(0.2, 0.92));
        tail.lineTo(at(0.42, 0.7));
        painter.setPen(line);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(bubble.united(tail));
        painter.drawLine(at(0.26, 0.33), at(0.74, 0.33));
        painter.drawLine(at(0.26, 0.52), at(0.6, 0.52));
        break;
    }

    case Symbol::Dot:
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(QRectF(0, 0, s, s));
        break;
    }
    painter.restore();
}
