#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

// The status item's content: the glyph, then 4 points, then the text with
// every digit in a cell of the same width, so the text does not jitter as
// the figures change. With an empty text the glyph stands alone.
class MenuBarLabel
{
public:
    static constexpr qreal spacing = 4;

    explicit MenuBarLabel(QString label);

    const QString& label() const { return m_label; }

    struct Layout
    {
        QRectF glyph;
        QRectF text;            // empty when there is no text
        qreal baseline = 0;     // of the text
        QList<QRectF> digitCells; // one per digit, all of the same width
        QSizeF size;
    };

    // Where everything goes in an image `height` points high.
    Layout layout(const QFont& font, qreal height) const;

    // The whole label as one image, `height` points high, at a device pixel
    // ratio (hosts that keep wide icons can show it as it is).
    QImage render(const QFont& font, const QColor& color, qreal height, qreal devicePixelRatio) const;

private:
    QString m_label;
};
