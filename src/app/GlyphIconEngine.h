#pragma once

#include <QColor>
#include <QIconEngine>

// Draws the application glyph for QIcon at any size the host asks for: the
// 18-point design scaled to fill the requested square. Nothing is cached.
class GlyphIconEngine : public QIconEngine
{
public:
    explicit GlyphIconEngine(QColor color);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;

private:
    QColor m_color;
};
