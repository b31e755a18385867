#!/bin/sh
# End to end in trayer, an XEmbed-only tray, started before the application
# or two seconds after it: the icon docks (no StatusNotifierItem of ours on
# the bus, as no SNI host exists), a click on it opens the 340-pixel-wide
# panel under the bar, the icon then shows the five-hour percentage, Escape
# closes the panel, and a second launch opens it again and leaves.
# Screenshots land in the artefact directory.
#
#   e2e_trayer.sh <host-first|host-second> <app> <second-launch binary> <artefact dir> <statistics fixture>
set -eu
tools=trayer
. "$(dirname "$0")/e2e_common.sh"

bar=24

start_host() {
    trayer --edge top --align right --widthtype request --height $bar --SetDockType true \
        --transparent false --tint 0xdddddd >"$out/trayer.log" 2>&1 &
    pids="$pids $!"
}

start_both

# The icon: a small visible window of ours.
find_icon() {
    kill -0 "$app_pid" 2>/dev/null || fail "ostrel exited early: $(cat "$out/ostrel.log")"
    icon=$(xdotool search --onlyvisible --class '^ostrel$' 2>/dev/null | head -n 1 || true)
    [ -n "$icon" ]
}
poll 150 find_icon || fail "no tray icon appeared"
eval "$(xdotool getwindowgeometry --shell "$icon")"
echo "icon window $icon at $X,$Y size ${WIDTH}x$HEIGHT"
[ "$WIDTH" -le 64 ] && [ "$HEIGHT" -le 64 ] || fail "icon window is ${WIDTH}x$HEIGHT, not a tray icon"
[ -z "$(our_items)" ] || fail "a StatusNotifierItem without an SNI host: $(our_items)"
sleep 0.5
shot before-click
crop before-click icon-before "$X" "$Y" "$WIDTH" "$HEIGHT"
has_ink icon-before

xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
check_panel $bar
# The panel's first showing fetched the (fixed) figures: the icon redraws
# with the percentage.
sleep 1
shot panel-open
crop panel-open icon-with-figures "$X" "$Y" "$WIDTH" "$HEIGHT"
has_ink icon-with-figures
differ icon-before icon-with-figures 20
report_memory

close_with_escape
second_launch
[ -z "$(our_items)" ] || fail "a StatusNotifierItem appeared: $(our_items)"
shot after-second-launch

echo "PASS ($order): icon docked, click opened a 340-px panel at $left,$top, the icon shows the figure," \
    "Escape closed the panel, a second launch reopened it"
