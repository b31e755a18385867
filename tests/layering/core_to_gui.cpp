// The core is Qt Core only: no Gui header is in reach.
#include "model/StatsViewModel.h"
#include "usage/UsageAPIClient.h"

#ifdef OSTREL_PROBE_WRONG_WAY
#include <QColor>
#endif
