#!/bin/sh
# End to end in gtk-sni-tray, a StatusNotifierItem host that shows no label,
# with Debian's status-notifier-watcher, both started before the
# application or two seconds after it: the watcher lists our item (and Qt's
# XEmbed icon is nowhere), a click on it opens the 340-pixel-wide panel under
# the bar, the label and then the icon's percentage follow the figures,
# Escape closes the panel, and a second launch opens it again and leaves.
# Screenshots land in the artefact directory.
#
#   e2e_sni_tray.sh <host-first|host-second> <app> <second-launch binary> <artefact dir> <statistics fixture>
set -eu
tools="status-notifier-watcher gtk-sni-tray-standalone"
. "$(dirname "$0")/e2e_common.sh"

bar=30

watcher_property() {
    gdbus call --session --timeout 5 -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher "$1"
}

host_registered() {
    watcher_property IsStatusNotifierHostRegistered | grep -q true
}

start_host() {
    status-notifier-watcher >"$out/watcher.log" 2>&1 &
    pids="$pids $!"
    sleep 0.5
    # A light bar, as the light desktop the application sees here would have.
    gtk-sni-tray-standalone --top --end --size $bar --color '#e8e8e8' >"$out/tray.log" 2>&1 &
    pids="$pids $!"
    poll 100 host_registered || fail "gtk-sni-tray did not register as a host"
}

start_both

listed() {
    watcher_property RegisteredStatusNotifierItems | grep -q "org.kde.StatusNotifierItem-$app_pid-"
}
poll 100 listed || fail "the watcher does not list our item: $(watcher_property RegisteredStatusNotifierItems)"
item=$(our_items)
[ "$(echo "$item" | wc -l)" = 1 ] || fail "more than one item of ours: $item"
echo "item $item listed by the watcher"

item_property() {
    gdbus call --session --timeout 5 -d "$item" -o /StatusNotifierItem \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem "$1"
}
# Nothing fetched yet: the glyph alone, no label.
[ "$(item_property XAyatanaLabel)" = "(<''>,)" ] || fail "a label before the panel was opened: $(item_property XAyatanaLabel)"
# Never two icons: Qt's XEmbed icon must not be around.
[ -z "$(xdotool search --onlyvisible --class '^ostrel$' 2>/dev/null || true)" ] || fail "a window of ours besides the item"

find_bar() {
    tray=$(xdotool search --onlyvisible --class gtk-sni-tray-standalone 2>/dev/null | head -n 1 || true)
    [ -n "$tray" ]
}
poll 50 find_bar || fail "no gtk-sni-tray bar"
eval "$(xdotool getwindowgeometry --shell "$tray")"
echo "bar $tray at $X,$Y size ${WIDTH}x$HEIGHT"
# Icons sit at the bar's end, one bar height each.
iconX=$((X + WIDTH - HEIGHT))
sleep 0.5
shot before-click
crop before-click icon-before "$iconX" "$Y" "$HEIGHT" "$HEIGHT"
has_ink icon-before
# One icon: the rest of the bar is bare.
crop before-click bar-rest "$X" "$Y" $((WIDTH - HEIGHT)) "$HEIGHT"
[ "$(convert "$out/bar-rest.png" -format %k info:)" = 1 ] || fail "more than one icon in the bar"

xdotool mousemove $((X + WIDTH - HEIGHT / 2)) $((Y + HEIGHT / 2)) click 1
check_panel $bar

labelled() {
    item_property XAyatanaLabel | grep -q "42% · "
}
poll 100 labelled || fail "the label did not follow the figures: $(item_property XAyatanaLabel)"
echo "label $(item_property XAyatanaLabel)"
sleep 1
shot panel-open
crop panel-open icon-with-figures "$iconX" "$Y" "$HEIGHT" "$HEIGHT"
has_ink icon-with-figures
differ icon-before icon-with-figures 20
report_memory

close_with_escape
second_launch
[ "$(our_items)" = "$item" ] || fail "the second launch left an item: $(our_items)"
shot after-second-launch

echo "PASS ($order): item listed, click opened a 340-px panel at $left,$top, label and icon follow the figures," \
    "Escape closed the panel, a second launch reopened it"
