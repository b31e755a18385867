// The status-bar lines stand on the core alone: no glyph (and no Gui) in reach.
#include "model/StatsViewModel.h"
#include "statusline/StatusLine.h"

#ifdef OSTREL_PROBE_WRONG_WAY
#include "glyph/MenuBarIcon.h"
#endif
