#pragma once

#include "model/NamedColor.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRectF>

class QPainter;

// The panel's look in one place: text styles, foreground levels, named
// colours and the faint rounded box behind grouped content. Sizes are in
// device-independent pixels (the design's points).
namespace PanelStyle {

inline constexpr int panelWidth = 340;
inline constexpr int panelPadding = 16;
inline constexpr int sectionSpacing = 16;
inline constexpr int boxRadius = 8;
// The horizontal gap a row uses when the design asks for the default one.
inline constexpr int defaultSpacing = 8;

enum class TextStyle { LargeTitle, Title2, Title3, Headline, Body, Callout, Subheadline, Caption, Caption2 };
enum class Weight { Regular, Medium, Semibold };
enum class Level { Primary, Secondary, Tertiary, Quaternary };

// The text style's size relative to the system font, which stands for body
// text (13 at the reference sizes: title 2 is 17, caption 10, ...). Headline
// is semibold unless another weight is asked for.
QFont font(TextStyle style, Weight weight = Weight::Regular);

// Dark when the palette's window colour is dark.
Appearance appearance(const QPalette& palette);

// The palette's text colour, dimmed to the level.
QColor foreground(const QPalette& palette, Level level);

// A named accent colour in the shade that suits the palette.
QColor named(NamedColor color, const QPalette& palette);

// The faint background of boxed content: the quaternary level at half
// opacity on a rounded rectangle.
void paintBox(QPainter& painter, const QRectF& rect, const QPalette& palette);

} // namespace PanelStyle
