#include "app/dbus/HostRules.h"

namespace HostRules {

HostTraits traitsForWatcherProcess(QStringView processName)
{
    if (processName == u"gnome-shell")
        return {LabelSupport::Shown, true};
    return {};
}

bool iconCarriesPercent(bool shownAsStatusNotifierItem, LabelSupport label)
{
    return !shownAsStatusNotifierItem || label != LabelSupport::Shown;
}

} // namespace HostRules
