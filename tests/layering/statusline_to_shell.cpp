// The shell uses the status-bar lines, never the other way round.
#include "statusline/StatusLineWriter.h"

#ifdef OSTREL_PROBE_WRONG_WAY
#include "app/OstrelApp.h"
#endif
