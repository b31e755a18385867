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

void UsageTrack::setPace(std::optional<double> elapsedShare)
{
    if (elapsedShare == m_pace)
        return;
    m_pace = elapsedShare;
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
    if (width > 0) {
        const qreal radius = std::min<qreal>(PanelStyle::barRadius, width / 2);
        painter.setBrush(PanelStyle::named(UsageFigures::color(UsageFigures::level(m_percentage)), palette()));
        painter.drawRoundedRect(QRectF(0, 0, width, track.height()), radius, radius);
    }

    // The tick, kept inside the track at either end, parted from the fill by
    // a hair of the panel's own colour so it shows on any fill.
    if (m_pace) {
        const qreal tick = PanelStyle::paceTickWidth;
        const qreal x = std::clamp(*m_pace * track.width() - tick / 2, 0.0, track.width() - tick);
        painter.setBrush(palette().color(QPalette::Window));
        painter.drawRect(QRectF(x - 1, 0, tick + 2, track.height()));
        painter.setBrush(PanelStyle::foreground(palette(), PanelStyle::Level::Secondary));
        painter.drawRect(QRectF(x, 0, tick, track.height()));
    }
}
