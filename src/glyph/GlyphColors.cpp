#include "glyph/GlyphColors.h"

#include <QPalette>

Appearance GlyphColors::appearanceOf(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128 ? Appearance::Dark : Appearance::Light;
}

QColor GlyphColors::inkOn(Appearance bar)
{
    return bar == Appearance::Dark ? QColor(0xf2, 0xf2, 0xf2) : QColor(0x24, 0x24, 0x24);
}

QColor GlyphColors::haloOn(Appearance bar)
{
    return inkOn(bar == Appearance::Dark ? Appearance::Light : Appearance::Dark);
}
