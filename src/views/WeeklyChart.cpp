#include "views/WeeklyChart.h"

#include "model/TokenFormatter.h"
#include "views/PanelStyle.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

std::pair<qint64, qint64> range(const QList<ChartPoint>& points)
{
    qint64 low = 0;
    qint64 high = 0;
    for (const ChartPoint& point : points) {
        low = std::min(low, point.messages);
        high = std::max(high, point.messages);
    }
    return {low, high};
}

QFont labelFont()
{
    return PanelStyle::font(PanelStyle::TextStyle::Caption2);
}

} // namespace

WeeklyChart::WeeklyChart(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(u"chart"_s);
    setFixedHeight(PanelStyle::chartHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void WeeklyChart::setPoints(const QList<ChartPoint>& points)
{
    if (points == m_points)
        return;
    m_points = points;
    update();
}

QString WeeklyChart::axisTitle()
{
    return u"Messages"_s;
}

QList<double> WeeklyChart::ticks(qint64 low, qint64 high)
{
    // Doubles: the span of two 64-bit counts may not fit in one.
    const double from = std::min<double>(0, static_cast<double>(low));
    const double to = std::max<double>(0, static_cast<double>(high));
    const double span = std::max(1.0, to - from);
    const double raw = span / 3;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude;
    for (double factor : {1.0, 2.0, 5.0, 10.0}) {
        step = factor * magnitude;
        if (step >= raw)
            break;
    }
    step = std::max(1.0, step); // counts are whole numbers
    QList<double> values;
    const double first = std::floor(from / step) * step;
    const double last = std::max(std::ceil(to / step) * step, first + step);
    for (double value = first; value <= last + step / 2 && values.size() < 64; value += step)
        values.append(value);
    return values;
}

QStringList WeeklyChart::tickLabels() const
{
    const auto [low, high] = range(m_points);
    QStringList labels;
    for (double value : ticks(low, high))
        labels.append(TokenFormatter::formatAxisValue(value));
    return labels;
}

void WeeklyChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont font = labelFont();
    const QFontMetricsF metrics(font);
    painter.setFont(font);

    const auto [low, high] = range(m_points);
    const QList<double> values = ticks(low, high);
    const QStringList labels = tickLabels();
    qreal labelWidth = 0;
    for (const QString& label : labels)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(label));

    // Axis title on top, grid labels on the right, day names below.
    const qreal lineHeight = metrics.height();
    // The top grid label is centred on the top line: leave it room below the title.
    const qreal top = 1.5 * lineHeight + 4;
    const QRectF plot(0, top, width() - labelWidth - 6, height() - top - lineHeight - 6);
    if (plot.width() <= 0 || plot.height() <= 0)
        return;
    const QColor secondary = PanelStyle::foreground(palette(), PanelStyle::Level::Secondary);
    painter.setPen(secondary);
    painter.drawText(QRectF(0, 0, width(), lineHeight), Qt::AlignRight | Qt::AlignVCenter, axisTitle());

    const double bottomValue = values.first();
    const double topValue = values.last();
    auto yOf = [&](double value) {
        return plot.bottom() - (value - bottomValue) / (topValue - bottomValue) * plot.height();
    };

    QColor grid = PanelStyle::foreground(palette(), PanelStyle::Level::Primary);
    for (qsizetype i = 0; i < values.size(); ++i) {
        const qreal y = yOf(values[i]);
        grid.setAlphaF(values[i] == 0 ? 0.28f : 0.12f);
        painter.setPen(QPen(grid, 1));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(secondary);
        painter.drawText(QRectF(plot.right() + 6, y - lineHeight / 2, labelWidth, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, labels[i]);
    }

    if (m_points.isEmpty())
        return;
    const qreal band = plot.width() / m_points.size();
    const qreal barWidth = std::min<qreal>(band * 0.6, 28);
    const QColor purple = PanelStyle::named(NamedColor::Purple, palette());
    const qreal zero = yOf(0);
    for (qsizetype i = 0; i < m_points.size(); ++i) {
        const qreal centre = plot.left() + band * (i + 0.5);
        painter.setPen(secondary);
        painter.drawText(QRectF(plot.left() + band * i, plot.bottom() + 4, band, lineHeight), Qt::AlignCenter,
                         m_points[i].label);

        const qreal end = yOf(static_cast<double>(m_points[i].messages));
        const QRectF bar(QPointF(centre - barWidth / 2, std::min(end, zero)),
                         QPointF(centre + barWidth / 2, std::max(end, zero)));
        if (bar.height() <= 0)
            continue;
        // A gentle shading within the one hue: lighter at the top.
        QLinearGradient gradient(bar.topLeft(), bar.bottomLeft());
        gradient.setColorAt(0, purple.lighter(125));
        gradient.setColorAt(1, purple);
        const qreal radius = std::min({PanelStyle::chartBarRadius, bar.width() / 2, bar.height() / 2});
        painter.setPen(Qt::NoPen);
        painter.setBrush(gradient);
        painter.drawRoundedRect(bar, radius, radius);
    }
}
