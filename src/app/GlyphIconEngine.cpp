#include "app/GlyphIconEngine.h"

#include "app/MenuBarIcon.h"

#include <QPainter>
#include <QPixmap>

GlyphIconEngine::GlyphIconEngine(QColor color)
    : m_color(color)
{
}

void GlyphIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State)
{
    QColor color = m_color;
    if (mode == QIcon::Disabled)
        color.setAlphaF(color.alphaF() * 0.4f);
    MenuBarIcon::drawFitted(*painter, rect, color);
}

QPixmap GlyphIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap GlyphIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale)
{
    if (size.isEmpty())
        return QPixmap();
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    }
    pixmap.setDevicePixelRatio(scale > 0 ? scale : 1.0);
    return pixmap;
}

QSize GlyphIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State)
{
    return size;
}

QList<QSize> GlyphIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    // The sizes status-area hosts pick from at 1x and 2x.
    return {QSize(16, 16), QSize(22, 22), QSize(24, 24), QSize(32, 32), QSize(44, 44), QSize(48, 48),
            QSize(64, 64)};
}

QIconEngine* GlyphIconEngine::clone() const
{
    return new GlyphIconEngine(m_color);
}

QString GlyphIconEngine::key() const
{
    return QStringLiteral("ostrel-glyph");
}
