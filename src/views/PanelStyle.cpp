#include "views/PanelStyle.h"

#include "glyph/GlyphColors.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

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

// WCAG's relative luminance of an sRGB colour.
double luminance(const QColor& color)
{
    const auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) + 0.0722 * linear(color.blueF());
}

// `top` at `alpha` over `bottom`, in 8-bit channels as the screen shows it.
QColor over(const QColor& top, double alpha, const QColor& bottom)
{
    const auto mix = [alpha](int a, int b) { return int(std::lround(alpha * a + (1 - alpha) * b)); };
    return QColor(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()), mix(top.blue(), bottom.blue()));
}

} // namespace

double PanelStyle::contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

qreal PanelStyle::readableOpacity(const QPalette& palette, double ratio, qreal preferred)
{
    // Dim text sits on the panel and on the faint boxes, which in either
    // scheme lie nearer the text's own colour.
    const QColor text = palette.color(QPalette::WindowText);
    const QColor window = palette.color(QPalette::Window);
    const QColor box = over(text, quaternaryOpacity * boxOpacity, window);
    const auto readable = [&](int alpha) {
        return contrast(over(text, alpha / 255.0, window), window) >= ratio
            && contrast(over(text, alpha / 255.0, box), box) >= ratio;
    };
    // The least opacity from the preferred one up (in steps of 1/255) that
    // reads well; the text's full colour when none does.
    int low = int(std::ceil(preferred * 255));
    int high = 255;
    if (readable(low))
        return low / 255.0;
    while (high - low > 1) {
        const int middle = (low + high) / 2;
        (readable(middle) ? high : low) = middle;
    }
    return high / 255.0;
}

QFont PanelStyle::scaled(QFont font, qreal factor)
{
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else if (font.pixelSize() > 0)
        font.setPixelSize(qMax(1, qRound(font.pixelSize() * factor)));
    return font;
}

QFont PanelStyle::font(TextStyle style, Weight weight)
{
    QFont font = scaled(QApplication::font(), referenceSize(style) / 13.0);

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
        color.setAlphaF(readableOpacity(palette, secondaryContrast, 0.50));
        break;
    case Level::Tertiary:
        color.setAlphaF(readableOpacity(palette, tertiaryContrast, 0.26));
        break;
    case Level::Quaternary:
        color.setAlphaF(quaternaryOpacity);
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
    fill.setAlphaF(fill.alphaF() * boxOpacity);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, boxRadius, boxRadius);
    painter.restore();
}
