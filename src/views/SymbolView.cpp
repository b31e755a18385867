#include "views/SymbolView.h"

#include <QEvent>
#include <QFontInfo>
#include <QPainter>

SymbolView::SymbolView(const QString& objectName, Symbols::Symbol symbol, PanelStyle::TextStyle sizedLike,
                       QWidget* parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_sizedLike(sizedLike)
{
    setObjectName(objectName);
    updateSide();
}

void SymbolView::setTint(NamedColor color)
{
    m_tint = color;
    update();
}

void SymbolView::setLevel(PanelStyle::Level level)
{
    m_tint.reset();
    m_level = level;
    update();
}

void SymbolView::setSide(int side)
{
    m_fixedSide = side;
    updateSide();
}

QColor SymbolView::color() const
{
    return m_tint ? PanelStyle::named(*m_tint, palette()) : PanelStyle::foreground(palette(), m_level);
}

QSize SymbolView::sizeHint() const
{
    return size();
}

void SymbolView::updateSide()
{
    // A symbol set in a text style is about as tall as that style's font.
    const int side = m_fixedSide ? *m_fixedSide : QFontInfo(PanelStyle::font(m_sizedLike)).pixelSize();
    setFixedSize(side, side);
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Symbols::paint(painter, m_symbol, QRectF(rect()), color());
}

void SymbolView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ApplicationFontChange)
        updateSide();
    QWidget::changeEvent(event);
}
