#include "views/Divider.h"

#include "views/PanelStyle.h"

#include <QPainter>

Divider::Divider(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QColor color = PanelStyle::foreground(palette(), PanelStyle::Level::Primary);
    color.setAlphaF(0.15f);
    painter.fillRect(rect(), color);
}
