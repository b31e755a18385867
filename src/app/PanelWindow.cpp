#include "app/PanelWindow.h"

#include "views/ContentView.h"
#include "views/PanelStyle.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;

PanelWindow::PanelWindow(StatsViewModel& viewModel, PanelPlacement::Platform platform, QWidget* parent)
    : QWidget(parent)
    , m_platform(platform)
    , m_content(new ContentView(viewModel, this))
{
    setObjectName(u"panel"_s);
    setWindowTitle(QGuiApplication::applicationDisplayName());
    if (platform == PanelPlacement::Platform::Wayland) {
        setWindowFlags(Qt::Tool);
    } else {
        setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
        // A click on the status item while the panel is open only closes it.
        setAttribute(Qt::WA_NoMouseReplay);
    }
    connect(m_content, &ContentView::quitRequested, this, &PanelWindow::quitRequested);
    m_content->setLive(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The window is always exactly as large as the panel's content.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_content);
}

void PanelWindow::popup(std::optional<QRect> anchor)
{
    m_anchor = anchor;
    m_content->setLive(true); // up to date before it is measured and placed
    ensurePolished();
    if (QLayout* own = layout())
        own->activate();
    place();
    show();
    raise();
    activateWindow();
}

void PanelWindow::place()
{
    PanelPlacement::Input input;
    input.anchor = m_anchor;
    input.panelSize = size();
    input.platform = m_platform;
    input.screens = PanelPlacement::currentScreens();
    if (const std::optional<QPoint> topLeft = PanelPlacement::place(input))
        move(*topLeft);
}

void PanelWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        emit shown();
}

void PanelWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_content->setLive(false);
}

void PanelWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The panel grows and shrinks with its content; keep it clear of the bar
    // and inside the screen.
    if (isVisible())
        place();
}

void PanelWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PanelWindow::changeEvent(QEvent* event)
{
    // Where the panel is an ordinary window, a click elsewhere takes the
    // focus away: close then, as a popup would.
    if (event->type() == QEvent::ActivationChange && m_platform == PanelPlacement::Platform::Wayland
        && isVisible() && !isActiveWindow())
        close();
    QWidget::changeEvent(event);
}

void PanelWindow::paintEvent(QPaintEvent*)
{
    // A hairline edge, so the panel stands apart from a window of the same colour.
    QPainter painter(this);
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(0.18f);
    painter.setPen(edge);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
