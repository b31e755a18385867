#include "views/ScrollColumn.h"

#include "views/PanelStyle.h"

#include <QBoxLayout>
#include <QEvent>
#include <QScrollBar>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

ScrollColumn::ScrollColumn(QWidget* parent)
    : QScrollArea(parent)
{
    setObjectName(u"scroll"_s);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    // A slim bar without arrows or groove, in a grey that reads on light and
    // dark panels alike.
    const int inset = (PanelStyle::scrollBarWidth - PanelStyle::scrollHandleWidth) / 2;
    verticalScrollBar()->setStyleSheet(
        u"QScrollBar:vertical { background: transparent; width: %1px; margin: 0; }"
        "QScrollBar::handle:vertical { background: rgba(128, 128, 128, 140); border-radius: %2px;"
        " margin: 0 %3px; min-height: %4px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"_s
            .arg(PanelStyle::scrollBarWidth)
            .arg(PanelStyle::scrollHandleWidth / 2)
            .arg(inset)
            .arg(PanelStyle::scrollHandleMinLength));

    auto* column = new QWidget;
    column->setObjectName(u"column"_s);
    column->setMaximumWidth(PanelStyle::panelWidth - 2 * PanelStyle::panelPadding);
    m_column = new QVBoxLayout(column);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(PanelStyle::sectionSpacing);
    setWidget(column);
    // The panel's own background shows through.
    viewport()->setAutoFillBackground(false);
    column->setAutoFillBackground(false);
    column->installEventFilter(this);
}

void ScrollColumn::addSection(QWidget* section)
{
    m_column->addWidget(section);
}

QSize ScrollColumn::sizeHint() const
{
    const int width = PanelStyle::panelWidth - 2 * PanelStyle::panelPadding;
    const int height = m_column->hasHeightForWidth() ? m_column->totalHeightForWidth(width)
                                                    : m_column->totalSizeHint().height();
    return QSize(width + PanelStyle::panelPadding, height);
}

QSize ScrollColumn::minimumSizeHint() const
{
    return QSize(0, std::min(sizeHint().height(), PanelStyle::scrollMinHeight));
}

bool ScrollColumn::eventFilter(QObject* watched, QEvent* event)
{
    // The column's content changed: the panel around it may have to resize.
    if (watched == widget() && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}
