#include "app/dbus/HostRules.h"

#include <QLatin1StringView>

using namespace Qt::Literals::StringLiterals;

namespace HostRules {

namespace {

// "panel-<digits>-<plugin>", with <plugin> possibly cut short by the 15-byte
// limit; true if what is left of <plugin> is a non-empty start of `plugin`.
bool isXfcePanelPlugin(QStringView name, QLatin1StringView plugin)
{
    constexpr auto prefix = "panel-"_L1;
    if (!name.startsWith(prefix))
        return false;
    qsizetype i = prefix.size();
    const qsizetype digitsStart = i;
    while (i < name.size() && name[i].isDigit() && name[i].unicode() < 0x80)
        ++i;
    if (i == digitsStart || i >= name.size() || name[i] != u'-')
        return false;
    const QStringView rest = name.mid(i + 1);
    return !rest.isEmpty() && plugin.startsWith(rest);
}

} // namespace

HostTraits traitsForWatcherProcess(QStringView processName)
{
    if (processName == u"gnome-shell")
        return {LabelSupport::Shown, true};
    if (processName == u"vala-panel" || processName == u"budgie-panel" || processName == u"mate-panel"
        || isXfcePanelPlugin(processName, "sntray"_L1))
        return {LabelSupport::Optional, false};
    return {};
}

bool iconCarriesPercent(bool shownAsStatusNotifierItem, LabelSupport label)
{
    return !shownAsStatusNotifierItem || label != LabelSupport::Shown;
}

} // namespace HostRules
