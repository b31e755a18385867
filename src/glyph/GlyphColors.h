#pragma once

#include "model/NamedColor.h"

#include <QColor>

class QPalette;

// Light and dark, judged once for every part of the program: the panel's
// named colours, the status icon's ink and the desktop scheme's fallback.
namespace GlyphColors {

// Dark when the palette's window colour is darker than mid-grey.
Appearance appearanceOf(const QPalette& palette);

// The glyph's ink on a bar of this appearance: near-white on dark bars,
// near-black on light ones (hosts here do not recolour icons themselves).
QColor inkOn(Appearance bar);

// The ring around that ink, in the other colour: it blends into the bar the
// ink was chosen for and outlines the glyph on a bar of the other kind.
QColor haloOn(Appearance bar);

} // namespace GlyphColors
