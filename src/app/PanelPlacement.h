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

// The panel's top-left corner, or nothing when the compositor places it.
std::optional<QPoint> place(const Input& input);

} // namespace PanelPlacement
