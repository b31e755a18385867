#include "views/UsageTrack.h"

#include "model/UsageFigures.h"
#include "views/PanelStyle.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

UsageTrack::UsageTrack(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(PanelStyle::barHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void UsageTrack::setPercentage(double percentage)
{
    // NaN never equals itself; treat two NaNs as no change.
    if (percentage == m_percentage || (std::isnan(percentage) && std::isnan(m_percentage)))
        return;
    m_percentage = percentage;
    update();
}

double UsageTrack::fillWidth(double percentage, double trackWidth)
{
    const double width = percentage * trackWidth / 100;
    return std::isnan(width) ? 0 : std::max(0.0, width);
}

void UsageTrack::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track(rect());
    painter.setBrush(PanelStyle::foreground(palette(), PanelStyle::Level::Quaternary));
    painter.drawRoundedRect(track, PanelStyle::barRadius, PanelStyle::barRadius);

    // The widget clips what runs past the track; keep the rectangle itself
    // finite so an enormous figure cannot upset the rasteriser.
    const double width = std::min(fillWidth(m_percentage, track.width()), 2 * track.width());
    if (width <= 0)
        return;
    const qreal radius = std::min<qreal>(PanelStyle::barRadius, width / 2);
    painter.setBrush(PanelStyle::named(UsageFigures::color(UsageFigures::level(m_percentage)), palette()));
    painter.drawRoundedRect(QRectF(0, 0, width, track.height()), radius, radius);
}
