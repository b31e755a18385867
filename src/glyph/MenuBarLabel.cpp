#include "glyph/MenuBarLabel.h"

#include "glyph/MenuBarIcon.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

qreal digitWidth(const QFontMetricsF& metrics)
{
    qreal widest = 0;
    for (char16_t digit = u'0'; digit <= u'9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QChar(digit)));
    return widest;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Runs of the text: digits one by one, everything else as whole strings so
// the font can shape them.
template<typename Visit>
void forEachRun(const QString& text, Visit visit)
{
    qsizetype start = 0;
    while (start < text.size()) {
        if (isDigit(text[start])) {
            visit(text.mid(start, 1), true);
            ++start;
            continue;
        }
        qsizetype end = start;
        while (end < text.size() && !isDigit(text[end]))
            ++end;
        visit(text.mid(start, end - start), false);
        start = end;
    }
}

} // namespace

MenuBarLabel::MenuBarLabel(QString label)
    : m_label(std::move(label))
{
}

MenuBarLabel::Layout MenuBarLabel::layout(const QFont& font, qreal height) const
{
    Layout result;
    const qreal glyphSide = std::min(MenuBarIcon::glyphSize, height);
    result.glyph = QRectF(0, (height - glyphSide) / 2, glyphSide, glyphSide);
    result.size = QSizeF(glyphSide, height);
    if (m_label.isEmpty())
        return result;

    const QFontMetricsF metrics(font);
    const qreal cell = digitWidth(metrics);
    const qreal left = glyphSide + spacing;
    qreal x = left;
    forEachRun(m_label, [&](const QString& run, bool digit) {
        if (digit) {
            result.digitCells.append(QRectF(x, 0, cell, height));
            x += cell;
        } else {
            x += metrics.horizontalAdvance(run);
        }
    });
    const qreal textHeight = metrics.ascent() + metrics.descent();
    result.text = QRectF(left, (height - textHeight) / 2, x - left, textHeight);
    result.baseline = result.text.top() + metrics.ascent();
    result.size = QSizeF(x, height);
    return result;
}

QImage MenuBarLabel::render(const QFont& font, const QColor& color, qreal height, qreal devicePixelRatio) const
{
    const Layout parts = layout(font, height);
    QImage image(static_cast<int>(std::ceil(parts.size.width() * devicePixelRatio)),
                 static_cast<int>(std::ceil(parts.size.height() * devicePixelRatio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // The glyph is drawn on its 18-point square and scaled to the glyph box.
    painter.save();
    painter.translate(parts.glyph.topLeft());
    painter.scale(parts.glyph.width() / MenuBarIcon::glyphSize, parts.glyph.height() / MenuBarIcon::glyphSize);
    MenuBarIcon::draw(painter, QRectF(0, 0, MenuBarIcon::glyphSize, MenuBarIcon::glyphSize), color);
    painter.restore();

    if (m_label.isEmpty())
        return image;
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(color);
    qsizetype cell = 0;
    qreal x = parts.text.left();
    forEachRun(m_label, [&](const QString& run, bool digit) {
        if (digit) {
            const QRectF box = parts.digitCells[cell++];
            const qreal advance = metrics.horizontalAdvance(run);
            painter.drawText(QPointF(box.left() + (box.width() - advance) / 2, parts.baseline), run);
            x = box.right();
        } else {
            painter.drawText(QPointF(x, parts.baseline), run);
            x += metrics.horizontalAdvance(run);
        }
    });
    return image;
}
