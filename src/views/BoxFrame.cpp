#include "views/BoxFrame.h"

#include "views/PanelStyle.h"

#include <QPainter>

BoxFrame::BoxFrame(QWidget* parent)
    : QWidget(parent)
{
}

void BoxFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PanelStyle::paintBox(painter, QRectF(rect()), palette());
}
