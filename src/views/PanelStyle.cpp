#include "views/PanelStyle.h"

#include "glyph/GlyphColors.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace {

// Reference sizes of the text styles where body text is 13.
qreal referenceSize(PanelStyle::TextStyle style)
{
    using enum PanelStyle::TextStyle;
    switch (style) {
    case LargeTitle:
        return 26;
    case Title2:
        return 17;
    case Title3:
        return 15;
    case Headline:
    case Body:
        return 13;
    case Callout:
        return 12;
    case Subheadline:
        return 11;
    case Caption:
    case Caption2:
        return 10;
    }
    return 13;
}

} // namespace

QFont PanelStyle::font(TextStyle style, Weight weight)
{
    QFont font = QApplication::font();
    const qreal scale = referenceSize(style) / 13.0;
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * scale);
    else if (font.pixelSize() > 0)
        font.setPixelSize(qMax(1, qRound(font.pixelSize() * scale)));

    if (style == TextStyle::Headline && weight == Weight::Regular)
        weight = Weight::Semibold;
    switch (weight) {
    case Weight::Regular:
        font.setWeight(QFont::Normal);
        break;
    case Weight::Medium:
        font.setWeight(QFont::Medium);
        break;
    case Weight::Semibold:
        font.setWeight(QFont::DemiBold);
        break;
    }
    return font;
}

QColor PanelStyle::foreground(const QPalette& palette, Level level)
{
    QColor color = palette.color(QPalette::WindowText);
    switch (level) {
    case Level::Primary:
        break;
    case Level::Secondary:
        color.setAlphaF(0.50f);
        break;
    case Level::Tertiary:
        color.setAlphaF(0.26f);
        break;
    case Level::Quaternary:
        color.setAlphaF(0.10f);
        break;
    }
    return color;
}

QColor PanelStyle::named(NamedColor color, const QPalette& palette)
{
    const Rgb rgb = rgbOf(color, GlyphColors::appearanceOf(palette));
    return QColor(rgb.red, rgb.green, rgb.blue);
}

void PanelStyle::paintBox(QPainter& painter, const QRectF& rect, const QPalette& palette)
{
    QColor fill = foreground(palette, Level::Quaternary);
    fill.setAlphaF(fill.alphaF() * 0.5f);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, boxRadius, boxRadius);
    painter.restore();
}
