// The D-Bus pieces sit below the shell that uses them.
#include "app/dbus/StatusNotifierItem.h"
#include "glyph/StatusIconRenderer.h"

#ifdef OSTREL_PROBE_WRONG_WAY
#include "app/StatusItem.h"
#endif
