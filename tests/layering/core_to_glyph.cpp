// The core cannot see the glyph module above it.
#include "model/NamedColor.h"
#include "stats/StatsCache.h"

#ifdef OSTREL_PROBE_WRONG_WAY
#include "glyph/MenuBarIcon.h"
#endif
