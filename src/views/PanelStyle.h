#pragma once

#include "model/NamedColor.h"

#include <QColor>
#include <QFont>
#include <QMargins>
#include <QPalette>
#include <QRectF>

class QPainter;

// The panel's look in one place: its measures, text styles, foreground
// levels, named colours and the faint rounded box behind grouped content.
// Sizes are in device-independent pixels.
namespace PanelStyle {

// The panel as a whole.
inline constexpr int panelWidth = 340;
inline constexpr int panelPadding = 16;
inline constexpr int sectionSpacing = 16;
// However short the screen, the scrolling middle keeps this much height.
inline constexpr int scrollMinHeight = 80;
// Its bar, in the right padding: a rounded handle in a transparent gutter.
inline constexpr int scrollBarWidth = 10;
inline constexpr int scrollHandleWidth = 6;
inline constexpr int scrollHandleMinLength = 24;
// The gap between items of a row that asks for no particular one.
inline constexpr int defaultSpacing = 8;

// A section's title above its body, and the rows of a stacked group.
inline constexpr int titleGap = 8;
// A label above its small subtitle, or two stacked figures.
inline constexpr int lineGap = 1;

// Boxed bodies: the faint rounded box and the room inside it.
inline constexpr int boxRadius = 8;
inline constexpr QMargins boxPadding{8, 4, 8, 4};
inline constexpr QMargins listPadding{0, 4, 0, 4};

// The plan usage card.
inline constexpr int usageCardSpacing = 10;
inline constexpr int barLabelGap = 4; // texts above the bar
inline constexpr int barHeight = 6;
inline constexpr qreal barRadius = 4;
inline constexpr qreal paceTickWidth = 2;

// Today's tiles.
inline constexpr int tileSpacing = 12;
inline constexpr QMargins tilePadding{4, 8, 4, 8};
inline constexpr int tileStackSpacing = 4;
// A value too wide for its tile shrinks, down to this share of its size.
inline constexpr qreal smallestShrink = 0.5;

// The chart.
inline constexpr int chartHeight = 120;
inline constexpr qreal chartBarRadius = 4;

// The model breakdown.
inline constexpr int modelRowSpacing = 6;
inline constexpr int modelDotSide = 8;
// The totals' column is never narrower than this, wider when the font needs.
inline constexpr int modelTotalMinWidth = 55;
// However wide the figures, the name keeps this much.
inline constexpr int modelNameMinWidth = 48;

// The footer.
inline constexpr QMargins footerPadding{0, 4, 0, 0};
inline constexpr int footerSpacing = 6;
inline constexpr int footerIconGap = 4;

// The notice shown when nothing is known.
inline constexpr QMargins noticePadding{0, 20, 0, 20};

enum class TextStyle { LargeTitle, Title2, Title3, Headline, Body, Callout, Subheadline, Caption, Caption2 };
enum class Weight { Regular, Medium, Semibold };
enum class Level { Primary, Secondary, Tertiary, Quaternary };

// The text style's size relative to the system font, which stands for body
// text (13 at the reference sizes: title 2 is 17, caption 10, ...). Headline
// is semibold unless another weight is asked for.
QFont font(TextStyle style, Weight weight = Weight::Regular);
// `font` at `factor` of its size, whether its size is in points or pixels.
QFont scaled(QFont font, qreal factor);

// The palette's text colour, dimmed to the level. Secondary and tertiary
// text keep a contrast of at least 4.5:1 and 3:1 to the panel and to its
// boxes (WCAG's ratios for text and for large or incidental text), taking
// more opacity than their usual half and quarter where a palette needs it.
QColor foreground(const QPalette& palette, Level level);
inline constexpr double secondaryContrast = 4.5;
inline constexpr double tertiaryContrast = 3.0;
inline constexpr qreal quaternaryOpacity = 0.10;
// The boxes' fill: the quaternary level at this share of its opacity.
inline constexpr qreal boxOpacity = 0.5;

// WCAG's contrast ratio of two opaque colours, 1 to 21.
double contrast(const QColor& a, const QColor& b);
// The least opacity, at or above `preferred`, at which the palette's text
// reaches `ratio` on the panel and on its boxes.
qreal readableOpacity(const QPalette& palette, double ratio, qreal preferred);

// A named accent colour in the shade that suits the palette.
QColor named(NamedColor color, const QPalette& palette);

// The faint background of boxed content: the quaternary level at half
// opacity on a rounded rectangle.
void paintBox(QPainter& painter, const QRectF& rect, const QPalette& palette);

} // namespace PanelStyle
