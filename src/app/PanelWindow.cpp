#include "app/PanelWindow.h"

#include "views/ContentView.h"
#include "views/PanelStyle.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <chrono>

using namespace Qt::Literals::StringLiterals;

namespace {

// What the panel needs once shown may be refused at first: a window manager
// may refuse it the focus (GNOME's does when the request's timestamp predates
// the click that opened it), and a popup's pointer grab fails while a host
// that opens it on the press still holds the pointer. Ask again, for a
// second at most.
constexpr std::chrono::milliseconds focusRequestInterval{100};
constexpr int focusRequests = 10;

} // namespace

PanelWindow::PanelWindow(StatsViewModel& viewModel, PanelPlacement::Platform platform, QWidget* parent)
    : QWidget(parent)
    , m_platform(platform)
    , m_kind(PanelPlacement::windowKind(platform, qEnvironmentVariable("XDG_CURRENT_DESKTOP")))
    , m_content(new ContentView(viewModel, this))
{
    setObjectName(u"panel"_s);
    setWindowTitle(QGuiApplication::applicationDisplayName());
    if (m_kind == PanelPlacement::WindowKind::Popup) {
        setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
        // A click on the status item while the panel is open only closes it.
        setAttribute(Qt::WA_NoMouseReplay);
    } else {
        // A utility window: X11 window managers list it nowhere.
        setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    }
    m_focusRequests.setInterval(focusRequestInterval);
    connect(&m_focusRequests, &QTimer::timeout, this, &PanelWindow::askForFocus);
    // An X11 popup's grab sees clicks elsewhere, except on Wayland surfaces;
    // any other panel goes when the focus does.
    if (m_kind != PanelPlacement::WindowKind::Popup || platform == PanelPlacement::Platform::XWayland)
        connect(qApp, &QGuiApplication::focusWindowChanged, this, &PanelWindow::followFocus);
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
    if (!isVisible())
        emit opening();
    m_content->setLive(true); // up to date before it is measured and placed
    ensurePolished();
    fitToScreen();
    // A compositor places a window once, by its first size: growing later
    // would take it past the screen's edge, so the middle scrolls instead.
    if (m_kind == PanelPlacement::WindowKind::Floating)
        m_content->setMaximumHeight(m_content->height());
    place();
    show();
    raise();
    activateWindow();
    m_focusRequestsLeft = focusRequests;
    m_focusRequests.start();
}

void PanelWindow::askForFocus()
{
    if (!isVisible() || --m_focusRequestsLeft < 0) {
        m_focusRequests.stop();
        return;
    }
    // Without its grab a popup never sees the click elsewhere that closes
    // it. Qt cannot tell a refused grab from a granted one, so grab again
    // until the second is up. (Only a popup: mutter 43 may abort when a
    // focused window that holds a grab goes away.)
    if (m_kind == PanelPlacement::WindowKind::Popup && windowHandle())
        windowHandle()->setMouseGrabEnabled(true);
    else if (m_kind != PanelPlacement::WindowKind::Popup && QGuiApplication::focusWindow() != windowHandle())
        activateWindow();
}

void PanelWindow::followFocus(QWindow* focus)
{
    if (!isVisible())
        return;
    if (focus && focus == windowHandle())
        m_hadFocus = true;
    else if (m_hadFocus)
        close();
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

void PanelWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_hadFocus = false;
    m_focusRequests.stop();
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
