#include "views/StyledLabel.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>

#include <algorithm>

StyledLabel::StyledLabel(const QString& objectName, PanelStyle::TextStyle style, PanelStyle::Weight weight,
                         PanelStyle::Level level, QWidget* parent)
    : QLabel(parent)
    , m_style(style)
    , m_weight(weight)
    , m_level(level)
{
    setObjectName(objectName);
    // Texts come from files and replies: never interpret them as markup.
    setTextFormat(Qt::PlainText);
    restyle();
}

void StyledLabel::setTextIfChanged(const QString& text)
{
    if (text != this->text())
        setText(text);
}

void StyledLabel::restyle()
{
    if (m_restyling)
        return;
    m_restyling = true;
    setFont(PanelStyle::font(m_style, m_weight));
    const QPalette base = parentWidget() ? parentWidget()->palette() : QApplication::palette();
    // Only the text colour is set here; every other role keeps following the
    // parent, so a change of the desktop's palette still reaches this label.
    QPalette own;
    own.setColor(QPalette::WindowText, PanelStyle::foreground(base, m_level));
    setPalette(own);
    m_restyling = false;
}

void StyledLabel::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
    case QEvent::ApplicationFontChange:
        restyle();
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}

void StyledLabel::setElideMode(Qt::TextElideMode mode)
{
    m_elide = mode;
    updateGeometry();
    update();
}

void StyledLabel::setShrinkToFit(bool shrink)
{
    m_shrink = shrink;
    if (shrink && m_elide == Qt::ElideNone)
        m_elide = Qt::ElideMiddle;
    updateGeometry();
    update();
}

QFont StyledLabel::shownFont() const
{
    const qreal room = contentsRect().width();
    const qreal needed = QFontMetricsF(font()).horizontalAdvance(text());
    if (!m_shrink || needed <= room || needed <= 0)
        return font();
    // Advances grow about in proportion to the size, but hinting and rounding
    // do not quite: step down from the proportional size until it fits.
    qreal factor = std::max(PanelStyle::smallestShrink, room / needed);
    QFont smaller = PanelStyle::scaled(font(), factor);
    while (factor > PanelStyle::smallestShrink && QFontMetricsF(smaller).horizontalAdvance(text()) > room) {
        factor = std::max(PanelStyle::smallestShrink, factor - 0.02);
        smaller = PanelStyle::scaled(font(), factor);
    }
    return smaller;
}

QString StyledLabel::shownText() const
{
    if (m_elide == Qt::ElideNone)
        return text();
    return QFontMetrics(shownFont()).elidedText(text(), m_elide, contentsRect().width());
}

QSize StyledLabel::minimumSizeHint() const
{
    const QSize whole = QLabel::minimumSizeHint();
    if (m_elide == Qt::ElideNone || wordWrap())
        return whole;
    return QSize(std::min(whole.width(), QFontMetrics(font()).horizontalAdvance(u'…')), whole.height());
}

void StyledLabel::paintEvent(QPaintEvent* event)
{
    if (m_elide == Qt::ElideNone || wordWrap()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setFont(shownFont());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(contentsRect(), int(QStyle::visualAlignment(layoutDirection(), alignment())), shownText());
}
