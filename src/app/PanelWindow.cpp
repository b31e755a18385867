#include "app/PanelWindow.h"

#include "views/ContentView.h"
#include "views/PanelStyle.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

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
    // The window is always exactly as large as the panel's content, which
    // is held to the height of the screen.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_content);

    // Screens come, go, move and change their scale: fit the open panel again.
    const auto watch = [this](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, &PanelWindow::refit);
        connect(screen, &QScreen::availableGeometryChanged, this, &PanelWindow::refit);
        connect(screen, &QScreen::logicalDotsPerInchChanged, this, &PanelWindow::refit);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [this, watch](QScreen* screen) {
        watch(screen);
        refit();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, &PanelWindow::refit);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, &PanelWindow::refit);
}

void PanelWindow::popup(std::optional<QRect> anchor)
{
    m_anchor = anchor;
    m_content->setLive(true); // up to date before it is measured and placed
    ensurePolished();
    fitToScreen();
    place();
    show();
    raise();
    activateWindow();
}

PanelPlacement::Input PanelWindow::placement() const
{
    PanelPlacement::Input input;
    input.anchor = m_anchor;
    input.panelSize = size();
    input.platform = m_platform;
    input.screens = PanelPlacement::currentScreens();
    return input;
}

void PanelWindow::fitToScreen()
{
    // Taller content scrolls in the panel's middle.
    m_content->setMaximumHeight(PanelPlacement::maxHeight(placement()).value_or(QWIDGETSIZE_MAX));
    if (QLayout* own = layout())
        own->activate();
}

void PanelWindow::place()
{
    if (const std::optional<QPoint> topLeft = PanelPlacement::place(placement()))
        move(*topLeft);
}

void PanelWindow::refit()
{
    if (!isVisible())
        return;
    fitToScreen();
    place();
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
