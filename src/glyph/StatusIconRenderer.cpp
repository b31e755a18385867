#include "glyph/StatusIconRenderer.h"

#include "glyph/MenuBarIcon.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace StatusIconRenderer {

namespace {

constexpr int maxSide = 512;

// The digits as a path fitted into `box`, centred, keeping their shape
// unless they must be squeezed sideways (three digits in a small square).
QPainterPath digitsPath(const QString& text, const QRectF& box)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setPixelSize(100);
    font.setWeight(QFont::Bold);
    font.setStretch(QFont::SemiCondensed);
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF ink = path.boundingRect();
    if (ink.isEmpty())
        return {};
    const qreal scaleY = box.height() / ink.height();
    const qreal scaleX = std::min(scaleY, box.width() / ink.width());
    QTransform transform;
    transform.translate(box.center().x(), box.center().y());
    transform.scale(scaleX, scaleY);
    transform.translate(-ink.center().x(), -ink.center().y());
    return transform.map(path);
}

} // namespace

std::optional<QString> percentText(qint64 percent)
{
    if (percent < 0 || percent > 999)
        return std::nullopt;
    return QString::number(percent);
}

QImage render(const Request& request)
{
    const qreal ratio = request.devicePixelRatio > 0 && std::isfinite(request.devicePixelRatio)
        ? request.devicePixelRatio
        : 1.0;
    const int logical = std::max(1, request.logicalSize);
    const int side = int(std::lround(std::clamp(logical * ratio, 1.0, qreal(maxSide))));

    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QRectF full(0, 0, side, side);
    const std::optional<QString> text = request.percent ? percentText(*request.percent) : std::nullopt;

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto ringed = [](const QPainterPath& shape, qreal width) {
        QPainterPathStroker ring;
        ring.setWidth(width);
        ring.setJoinStyle(Qt::RoundJoin);
        return ring.createStroke(shape).united(shape);
    };
    // With digits the glyph shrinks to a half-size crown above them, so the
    // icon stays recognisable while the number gets the room.
    const QPainterPath glyph = MenuBarIcon::fittedPath(text ? QRectF(side / 4.0, 0, side / 2.0, side / 2.0) : full);
    painter.fillPath(ringed(glyph, std::max(1.5, side / 11.0)), request.halo);
    painter.fillPath(glyph, request.ink);
    if (text) {
        // The digits overlap the crown's lower rays a little: 12 px tall
        // at 22 px, across up to the full width; a wider ring, cut out of
        // the crown, keeps them apart.
        const qreal top = side * 0.42;
        const QRectF box(side * 0.02, top, side * 0.96, side * 0.98 - top);
        const QPainterPath digits = digitsPath(*text, box);
        const QPainterPath moat = ringed(digits, std::max(2.0, side / 7.0));
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.fillPath(moat, Qt::black);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.fillPath(moat, request.halo);
        painter.fillPath(digits, request.ink);
    }
    painter.end();

    image.setDevicePixelRatio(side / qreal(logical));
    // Hosts take the pixels as they are (StatusNotifierItem pixmaps are not
    // premultiplied).
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace StatusIconRenderer
