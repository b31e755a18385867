#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// Where the panel opens, worked out from plain values so every case can be
// checked without a display. All coordinates are logical (device-independent)
// global ones.
namespace PanelPlacement {

enum class Platform {
    X11,     // exact positions work (override-redirect popup)
    Wayland, // clients cannot position windows: the compositor decides
    Other,   // positions are honoured as on X11
};

struct Screen
{
    QRect geometry;
    QRect availableGeometry;
    // Device pixels per logical one. Qt keeps a screen's origin and divides
    // its size, so in device pixels the screen covers
    // (origin, geometry size × ratio).
    qreal devicePixelRatio = 1;
};

struct Input
{
    // The status item's rectangle, or the click point as a 1 × 1 rectangle;
    // absent when neither is known.
    std::optional<QRect> anchor;
    // The first screen is the primary one.
    QList<Screen> screens;
    QSize panelSize;
    Platform platform = Platform::X11;
};

// Room kept between an inferred bar and the panel when a screen reports no
// reserved area (tiling window managers, bare X servers): one bar height.
inline constexpr int assumedBarThickness = 40;
// Gap between the anchor and the panel.
inline constexpr int anchorGap = 4;
// Room the panel leaves at both ends of the area it may cover.
inline constexpr int screenMargin = 8;

// The panel's top-left corner, or nothing when the compositor places it.
std::optional<QPoint> place(const Input& input);

// The tallest the panel may be: the height of the area it may cover on the
// screen it opens on (the primary's available area where the compositor
// places it), less a margin at both ends; nothing when no screen is known.
// The panel's size is not read.
std::optional<int> maxHeight(const Input& input);

// Where a status-notifier host says the click was, in logical global
// coordinates. Hosts send different units: most send logical or root
// coordinates, Plasma on a scaled X11 screen device pixels, some 0,0 (a null
// point) for none. A point on a screen is taken as it is; one that lies on a
// screen only in device pixels is divided by that screen's ratio; where both
// readings fit, the one nearer the pointer wins. A point on no screen either
// way gives the pointer, which is absent where it means nothing (Wayland).
std::optional<QPoint> clickPoint(const QPoint& reported, const std::optional<QPoint>& pointer,
                                 const QList<Screen>& screens);

// The live values for the functions above.
Platform currentPlatform();
// Qt's screens, the primary first.
QList<Screen> currentScreens();
// The pointer's position; absent on Wayland, where clients cannot know it.
std::optional<QPoint> currentPointer();

} // namespace PanelPlacement
