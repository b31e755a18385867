#include "icons/AppIcon.h"

#include "glyph/MenuBarIcon.h"
#include "model/NamedColor.h"

#include <QPainter>
#include <QPainterPath>
#include <QTransform>

using namespace Qt::Literals::StringLiterals;

namespace {

QString number(qreal value)
{
    // Three decimals are a hundredth of a pixel at 256 pixels; drop the
    // trailing zeros so the file stays readable.
    QString text = QString::number(value, 'f', 3);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text == u"-0" ? QStringLiteral("0") : text;
}

QString point(const QPointF& p)
{
    return number(p.x()) + u' ' + number(p.y());
}

QString svgColor(const QColor& color)
{
    return color.name(QColor::HexRgb);
}

// The glyph's path as MenuBarIcon::draw() places it into `rect`: the path is
// y-up inside the rectangle, the page is y-down.
QPainterPath placedGlyph(const QRectF& rect)
{
    QTransform place;
    place.translate(rect.left(), rect.bottom());
    place.scale(1, -1);
    return place.map(MenuBarIcon::path(rect));
}

QString pathData(const QPainterPath& path)
{
    QStringList parts;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            if (!parts.isEmpty())
                parts << QStringLiteral("Z");
            parts << u'M' + point(e);
            break;
        case QPainterPath::LineToElement:
            parts << u'L' + point(e);
            break;
        case QPainterPath::CurveToElement:
            // A cubic curve: this element and the next two (second control
            // point, end point).
            parts << u'C' + point(e) + u' ' + point(path.elementAt(i + 1)) + u' ' + point(path.elementAt(i + 2));
            i += 2;
            break;
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    if (!parts.isEmpty())
        parts << QStringLiteral("Z");
    return parts.join(u' ');
}

} // namespace

QRectF AppIcon::tileRect()
{
    return QRectF(0, 0, squareSize, squareSize);
}

qreal AppIcon::tileRadius()
{
    return 4.5;
}

QRectF AppIcon::glyphRect()
{
    const qreal margin = (squareSize - MenuBarIcon::glyphSize) / 2;
    return QRectF(margin, margin, MenuBarIcon::glyphSize, MenuBarIcon::glyphSize);
}

QColor AppIcon::tileColor()
{
    const Rgb orange = rgbOf(NamedColor::Orange, Appearance::Light);
    return QColor(orange.red, orange.green, orange.blue);
}

QColor AppIcon::glyphColor()
{
    return QColor(0x3a, 0x1f, 0x00);
}

QImage AppIcon::image(int side)
{
    QImage icon(side, side, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / squareSize, side / squareSize);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tileColor());
    painter.drawRoundedRect(tileRect(), tileRadius(), tileRadius());
    MenuBarIcon::draw(painter, glyphRect(), glyphColor());
    painter.end();
    return icon;
}

QByteArray AppIcon::svg()
{
    const QRectF tile = tileRect();
    const QString size = number(squareSize);
    QString text;
    text += u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"_s;
    text += u"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %2 %2\">\n"_s
                .arg(QStringLiteral("128"), size);
    text += u"  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" ry=\"%5\" fill=\"%6\"/>\n"_s.arg(
        number(tile.x()), number(tile.y()), number(tile.width()), number(tile.height()), number(tileRadius()),
        svgColor(tileColor()));
    text += u"  <path fill=\"%1\" fill-rule=\"nonzero\" d=\"%2\"/>\n"_s.arg(svgColor(glyphColor()),
                                                                             pathData(placedGlyph(glyphRect())));
    text += u"</svg>\n"_s;
    return text.toUtf8();
}
