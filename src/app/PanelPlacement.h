#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringView>

#include <optional>

// Where the panel opens, worked out from plain values so every case can be
// checked without a display. All coordinates are logical (device-independent)
// global ones.
namespace PanelPlacement {

enum class Platform {
    X11,      // exact positions work
    XWayland, // X11 through a Wayland compositor: exact positions, but the
              // pointer is known only while it is over an X window
    Wayland,  // clients cannot position windows: the compositor decides
    Other,    // positions are honoured as on X11
};

// The kind of window that carries the panel.
enum class WindowKind {
    // Override-redirect: placed exactly, undecorated, unlisted; an X11 grab
    // closes it on a click elsewhere.
    Popup,
    // A frameless utility window that the window manager places where asked,
    // lists nowhere and focuses; it closes when it loses the focus. For
    // Xwayland under GNOME and KDE, whose window managers never focus an
    // override-redirect window (no Escape) and whose own surfaces an X11
    // grab does not see (no click elsewhere).
    Placed,
    // A frameless window the compositor places (native Wayland); it closes
    // when it loses the focus.
    Floating,
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

// Reach of a status item from its top-left corner: coordinates within it
// may be relative to the item rather than to the screen.
inline constexpr int itemReach = 48;

// Where a status-notifier host says the click was, in logical global
// coordinates. Hosts send different units: most send logical or root
// coordinates, Plasma on a scaled X11 screen device pixels, waybar 0.9
// coordinates relative to the item, some 0,0 (a null point) for none. A
// point within the item's reach of 0,0 counts only where the pointer is
// there too; otherwise a point on a screen is taken as it is, one that lies
// on a screen only in device pixels is divided by that screen's ratio, and
// where both readings fit the one nearer the pointer wins. Anything else
// gives the pointer, which is absent where it cannot be trusted.
std::optional<QPoint> clickPoint(const QPoint& reported, const std::optional<QPoint>& pointer,
                                 const QList<Screen>& screens);

// The panel's window: a popup on X11 and elsewhere; under Xwayland a placed
// window where `desktop` (XDG_CURRENT_DESKTOP, a colon-separated list) names
// GNOME or KDE, else a popup (sway focuses those itself, and would centre a
// placed window: a click on the bare desktop is the one thing that does not
// close it there); floating on Wayland.
WindowKind windowKind(Platform platform, QStringView desktop);

// The live values for the functions above.
Platform currentPlatform();
// Qt's screens, the primary first.
QList<Screen> currentScreens();
// The pointer's position; absent where clients cannot know it (Wayland) or
// may see a stale one (Xwayland, when the pointer is over a Wayland surface).
std::optional<QPoint> currentPointer();

} // namespace PanelPlacement
