#include "app/PanelPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

enum class Edge { Top, Bottom, Left, Right };

int clampInto(int value, int low, int high)
{
    // A panel larger than the area starts at the area's start.
    return high < low ? low : std::clamp(value, low, high);
}

// Distance from the anchor's centre to each edge of the screen.
int distanceTo(Edge edge, const QRect& screen, const QPoint& point)
{
    switch (edge) {
    case Edge::Top:
        return point.y() - screen.top();
    case Edge::Bottom:
        return screen.bottom() - point.y();
    case Edge::Left:
        return point.x() - screen.left();
    case Edge::Right:
        return screen.right() - point.x();
    }
    return 0;
}

// The edge the status bar is on: among the edges where the screen reserves
// room, the one nearest the anchor. With no reserved room, the nearest edge,
// except that an anchor within a bar's height of the top or bottom is on a
// horizontal bar: items sit at a bar's end, in a corner, and a click there
// is often a pixel nearer the side than the top.
Edge barEdge(const PanelPlacement::Screen& screen, const QPoint& point)
{
    const QRect& g = screen.geometry;
    const QRect& a = screen.availableGeometry;
    const std::array<std::pair<Edge, bool>, 4> edges{{
        {Edge::Top, a.top() > g.top()},
        {Edge::Bottom, a.bottom() < g.bottom()},
        {Edge::Left, a.left() > g.left()},
        {Edge::Right, a.right() < g.right()},
    }};
    const bool anyReserved = std::any_of(edges.begin(), edges.end(), [](const auto& e) { return e.second; });
    if (!anyReserved) {
        const int top = distanceTo(Edge::Top, g, point);
        const int bottom = distanceTo(Edge::Bottom, g, point);
        if (std::min(top, bottom) < PanelPlacement::assumedBarThickness)
            return top <= bottom ? Edge::Top : Edge::Bottom;
    }
    Edge best = Edge::Top;
    int bestDistance = std::numeric_limits<int>::max();
    for (const auto& [edge, reserved] : edges) {
        if (anyReserved && !reserved)
            continue;
        const int distance = distanceTo(edge, g, point);
        if (distance < bestDistance) {
            best = edge;
            bestDistance = distance;
        }
    }
    return best;
}

// The area the panel may cover. Without reserved room, keep one bar height
// (or the anchor's own reach, if deeper) clear along the bar's edge.
QRect workArea(const PanelPlacement::Screen& screen, Edge edge, const QRect& anchor)
{
    if (screen.availableGeometry != screen.geometry)
        return screen.availableGeometry;
    QRect area = screen.geometry;
    const int thickness = PanelPlacement::assumedBarThickness;
    switch (edge) {
    case Edge::Top:
        area.setTop(std::max(area.top() + thickness, anchor.bottom() + 1));
        break;
    case Edge::Bottom:
        area.setBottom(std::min(area.bottom() - thickness, anchor.top() - 1));
        break;
    case Edge::Left:
        area.setLeft(std::max(area.left() + thickness, anchor.right() + 1));
        break;
    case Edge::Right:
        area.setRight(std::min(area.right() - thickness, anchor.left() - 1));
        break;
    }
    return area;
}

// The point on `screen` that `device` names if it is in that screen's device
// pixels.
std::optional<QPoint> fromDevicePixels(const QPoint& device, const PanelPlacement::Screen& screen)
{
    const qreal ratio = screen.devicePixelRatio;
    if (!(ratio > 0) || !std::isfinite(ratio) || ratio == 1)
        return std::nullopt;
    const QPoint origin = screen.geometry.topLeft();
    const QSize size = screen.geometry.size();
    const QPoint offset = device - origin;
    if (offset.x() < 0 || offset.y() < 0 || offset.x() >= size.width() * ratio || offset.y() >= size.height() * ratio)
        return std::nullopt;
    const QPoint logical = origin + QPoint(int(std::floor(offset.x() / ratio)), int(std::floor(offset.y() / ratio)));
    if (!screen.geometry.contains(logical))
        return std::nullopt;
    return logical;
}

} // namespace

std::optional<QPoint> PanelPlacement::clickPoint(const QPoint& reported, const std::optional<QPoint>& pointer,
                                                 const QList<Screen>& screens)
{
    if (reported.isNull())
        return pointer;
    const bool nearOrigin = reported.x() >= 0 && reported.y() >= 0 && reported.x() < itemReach
        && reported.y() < itemReach;
    if (nearOrigin && !(pointer && (*pointer - reported).manhattanLength() < itemReach))
        return pointer;
    QList<QPoint> readings;
    for (const Screen& screen : screens) {
        if (screen.geometry.contains(reported)) {
            readings.append(reported);
            break;
        }
    }
    for (const Screen& screen : screens) {
        if (const std::optional<QPoint> logical = fromDevicePixels(reported, screen))
            readings.append(*logical);
    }
    if (readings.isEmpty())
        return pointer;
    if (readings.size() == 1 || !pointer)
        return readings.first();
    return *std::min_element(readings.cbegin(), readings.cend(), [&](const QPoint& a, const QPoint& b) {
        return (a - *pointer).manhattanLength() < (b - *pointer).manhattanLength();
    });
}

PanelPlacement::Platform PanelPlacement::currentPlatform()
{
    const QString name = QGuiApplication::platformName();
    if (name == "wayland"_L1 || name.startsWith("wayland-"_L1))
        return Platform::Wayland;
    if (name == "xcb"_L1) {
        const bool waylandSession = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            || qEnvironmentVariable("XDG_SESSION_TYPE") == "wayland"_L1;
        return waylandSession ? Platform::XWayland : Platform::X11;
    }
    return Platform::Other;
}

PanelPlacement::WindowKind PanelPlacement::windowKind(Platform platform, QStringView desktop)
{
    switch (platform) {
    case Platform::Wayland:
        return WindowKind::Floating;
    case Platform::XWayland:
        for (const QStringView name : desktop.split(u':')) {
            if (name.compare(u"GNOME", Qt::CaseInsensitive) == 0 || name.compare(u"KDE", Qt::CaseInsensitive) == 0)
                return WindowKind::Placed;
        }
        return WindowKind::Popup;
    case Platform::X11:
    case Platform::Other:
        break;
    }
    return WindowKind::Popup;
}

QList<PanelPlacement::Screen> PanelPlacement::currentScreens()
{
    QList<QScreen*> screens = QGuiApplication::screens();
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        screens.removeAll(primary);
        screens.prepend(primary);
    }
    QList<Screen> out;
    for (const QScreen* screen : screens)
        out.append({screen->geometry(), screen->availableGeometry(), screen->devicePixelRatio()});
    return out;
}

std::optional<QPoint> PanelPlacement::currentPointer()
{
    const Platform platform = currentPlatform();
    if (platform == Platform::Wayland || platform == Platform::XWayland)
        return std::nullopt;
    return QCursor::pos();
}

namespace {

// The screen the panel opens on, the anchor there, the bar's edge and the
// area the panel may cover.
struct Target
{
    const PanelPlacement::Screen* screen = nullptr;
    QRect anchor;
    Edge edge = Edge::Top;
    QRect area;
};

Target targetOf(const PanelPlacement::Input& input)
{
    Target target;
    if (input.anchor && input.anchor->isValid()) {
        const QPoint centre = input.anchor->center();
        for (const PanelPlacement::Screen& candidate : input.screens) {
            if (candidate.geometry.contains(centre)) {
                target.screen = &candidate;
                target.anchor = *input.anchor;
                break;
            }
        }
    }
    if (!target.screen) {
        // No usable anchor: the top-right corner of the primary screen, where
        // status areas most often are.
        target.screen = &input.screens.first();
        const QRect& g = target.screen->geometry;
        target.anchor = QRect(g.right(), g.top(), 1, 1);
    }
    target.edge = barEdge(*target.screen, target.anchor.center());
    target.area = workArea(*target.screen, target.edge, target.anchor);
    return target;
}

} // namespace

std::optional<QPoint> PanelPlacement::place(const Input& input)
{
    if (input.platform == Platform::Wayland || input.screens.isEmpty())
        return std::nullopt;

    const Target target = targetOf(input);
    const QRect& anchor = target.anchor;
    const QRect& area = target.area;
    const int w = input.panelSize.width();
    const int h = input.panelSize.height();

    int x = 0;
    int y = 0;
    switch (target.edge) {
    case Edge::Top:
        x = anchor.center().x() - w / 2;
        y = anchor.bottom() + 1 + anchorGap;
        break;
    case Edge::Bottom:
        x = anchor.center().x() - w / 2;
        y = anchor.top() - anchorGap - h;
        break;
    case Edge::Left:
        x = anchor.right() + 1 + anchorGap;
        y = anchor.center().y() - h / 2;
        break;
    case Edge::Right:
        x = anchor.left() - anchorGap - w;
        y = anchor.center().y() - h / 2;
        break;
    }
    x = clampInto(x, area.left(), area.right() + 1 - w);
    y = clampInto(y, area.top(), area.bottom() + 1 - h);
    return QPoint(x, y);
}

std::optional<int> PanelPlacement::maxHeight(const Input& input)
{
    if (input.screens.isEmpty())
        return std::nullopt;
    // Where the compositor places the panel, all it can go by is the screen,
    // less a bar's room where none is reserved (Wayland tells clients of none,
    // and compositors keep windows off their bars).
    QRect area = targetOf(input).area;
    if (input.platform == Platform::Wayland) {
        const Screen& screen = input.screens.first();
        area = screen.availableGeometry;
        if (area == screen.geometry)
            area.setTop(area.top() + assumedBarThickness);
    }
    return std::max(1, area.height() - 2 * screenMargin);
}
