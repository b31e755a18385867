// The glyph module sees the core, never the panel's views.
#include "glyph/GlyphColors.h"
#include "glyph/MenuBarIcon.h"
#include "model/NamedColor.h"

#ifdef OSTREL_PROBE_WRONG_WAY
#include "views/PanelStyle.h"
#endif
