#include "views/BorderlessButton.h"

#include <QEvent>
#include <QPainter>

BorderlessButton::BorderlessButton(const QString& objectName, const QString& text, PanelStyle::Level level,
                                   QWidget* parent)
    : QAbstractButton(parent)
    , m_level(level)
{
    setObjectName(objectName);
    setText(text);
    setFont(PanelStyle::font(PanelStyle::TextStyle::Body));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize BorderlessButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()) + 4, metrics.height() + 4);
}

void BorderlessButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QColor color = PanelStyle::foreground(palette(), m_level);
    if (isDown())
        color.setAlphaF(color.alphaF() * 0.5f);
    painter.setPen(color);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
    if (hasFocus()) {
        const QFontMetrics metrics(font());
        const int width = metrics.horizontalAdvance(text());
        const int x = (this->width() - width) / 2;
        painter.drawLine(x, height() - 1, x + width, height() - 1);
    }
}

void BorderlessButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ApplicationFontChange) {
        setFont(PanelStyle::font(PanelStyle::TextStyle::Body));
        updateGeometry();
    }
    QAbstractButton::changeEvent(event);
}
