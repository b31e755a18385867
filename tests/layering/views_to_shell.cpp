// The panel's views see the core and the glyph, never the application shell.
#include "glyph/MenuBarIcon.h"
#include "model/StatsViewModel.h"
#include "views/ContentView.h"

#ifdef OSTREL_PROBE_WRONG_WAY
#include "app/PanelWindow.h"
#endif
