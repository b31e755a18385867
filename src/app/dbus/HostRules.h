#pragma once

#include <QStringView>

// What the panel that shows our StatusNotifierItem can do, judged from the
// process that owns the org.kde.StatusNotifierWatcher name. Hosts that embed
// their own watcher can be told apart this way; a separate watcher (KDE's
// kded, the standalone status-notifier-watcher, snixembed) says nothing about
// the host, and then we assume the least.
//
// The rule:
//   gnome-shell            AppIndicator extension: label shown; the top bar is
//                          dark in both light and dark mode.
//   anything else, or unknown
//                          no label assumed: vala-panel's and xfce4-panel's
//                          sntray plugins show one only when the user switched
//                          "show Ayatana labels" on, which we cannot see.
// Only a label known to be shown lets the icon drop the percentage.
namespace HostRules {

enum class LabelSupport {
    Shown,    // the host draws XAyatanaLabel after the icon
    NotShown, // it may not, or we do not know the host
};

struct HostTraits
{
    LabelSupport label = LabelSupport::NotShown;
    bool darkPanel = false; // the panel is dark whatever the colour scheme

    friend bool operator==(const HostTraits&, const HostTraits&) = default;
};

// `processName` as in /proc/<pid>/comm: at most 15 bytes, so long names
// arrive cut short.
HostTraits traitsForWatcherProcess(QStringView processName);

// Whether the icon must show the percentage itself: always, unless an SNI
// host that is known to draw the label shows the item.
bool iconCarriesPercent(bool shownAsStatusNotifierItem, LabelSupport label);

} // namespace HostRules
