#!/bin/sh
# Ostrel in KDE Plasma 5.27 (kwin_x11 and plasmashell under Xvfb, X11), whose
# default layout has one panel along the bottom with the system tray: the
# item appears in it, a click opens the 340-pixel-wide drop-down right above
# the panel, next to the item and fully on screen, a second click and Escape
# close it, and Quit from the item's menu ends the application.
#   plasma.sh <ostrel> <artefacts> <statistics fixture>
set -eu
. "$(dirname "$0")/hosts_common.sh"
app=$1
out=$2
require python3 Xvfb kwin_x11 plasmashell dbus-run-session gdbus xdotool xwininfo xprop import convert
isolate "$@"
if [ "${4:-}" != --bus ]; then
    make_scratch "$3"
    export work HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" NO_AT_BRIDGE=1 QT_QPA_PLATFORM=xcb
    unset XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME XDG_SESSION_TYPE WAYLAND_DISPLAY
    export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5
    start_xvfb
    dbus-run-session -- sh "$0" "$1" "$2" "$3" --bus
    exit
fi

started=$(date +%s)
kwin_x11 --replace >"$out/kwin.log" 2>&1 &
poll 200 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "kwin_x11 did not start: $(tail -n 5 "$out/kwin.log")"
# Plasma logs plenty (udisks, applets) on a bare machine: only its state counts.
plasmashell >"$out/plasmashell.log" 2>&1 &
poll 300 host_registered || fail "Plasma's system tray did not register as a StatusNotifier host: $(tail -n 5 "$out/plasmashell.log")"
bottom_strut() { x_workarea && [ $((wa_y + wa_h)) -lt "$screen_h" ]; }
poll 300 bottom_strut || fail "Plasma shows no panel along the bottom: $(xprop -root _NET_WORKAREA)"
bar=$((wa_y + wa_h))
# The panel draws its applets over the next seconds: wait until the tray
# part of the panel stops changing.
settled() {
    import -window root -crop "${screen_w}x$((screen_h - bar))+0+$bar" +repage "$work/shots/settle-new.png"
    same=1
    [ -f "$work/shots/settle.png" ] && [ "$(compare -metric AE "$work/shots/settle.png" "$work/shots/settle-new.png" null: 2>&1)" = 0 ] || same=0
    mv "$work/shots/settle-new.png" "$work/shots/settle.png"
    [ "$same" = 1 ] && [ "$(colours "$work/shots/settle.png")" -ge 16 ]
}
poll 300 settled || fail "Plasma's panel never settled"
# The clock in the panel must not tick between the two screenshots compared.
while [ "$(date +%S)" -gt 45 ]; do sleep 1; done
x_shot "$work/shots/before.png"
note "Plasma ready (panel from y=$bar) after $(($(date +%s) - started)) s"

"$app" >"$out/ostrel.log" 2>&1 &
app_pid=$!
poll 150 item_registered || fail "the item never registered with Plasma's watcher: $(cat "$out/ostrel.log")"
# The tray makes room for a new item by moving the ones after it: ours is
# the first part that changed (applications sort before Plasma's own items).
located() {
    x_shot "$work/shots/after.png"
    box=$(diff_blobs "$work/shots/before.png" "$work/shots/after.png" "${screen_w}x$((screen_h - bar))+0+$bar" | head -n 1)
    [ -n "$box" ] || return 1
    read -r icon_w icon_h icon_x icon_y <<BOX
$box
BOX
}
poll 100 located || fail "the item registered but nothing appeared in Plasma's panel"
sleep 1
located
cp "$work/shots/after.png" "$out/1-item.png"
note "item drawn at ${icon_w}x$icon_h+$icon_x+$icon_y"
[ "$icon_w" -le 48 ] || problem "the first change in the panel is no icon (${icon_w}x$icon_h at $icon_x,$icon_y)"
item_cx=$((icon_x + icon_w / 2))
item_cy=$((icon_y + icon_h / 2))
[ "$(colours "$out/1-item.png" "${icon_w}x$icon_h+$icon_x+$icon_y")" -ge 8 ] ||
    problem "the item's icon is nearly blank (${icon_w}x$icon_h)"
check_contrast "$out/1-item.png" "$icon_w" "$icon_h" "$icon_x" "$icon_y"

x_click "$item_cx" "$item_cy"
if poll 100 x_find_panel; then
    sleep 0.5
    x_shot "$out/2-panel-open.png"
    x_panel_geometry
    check_panel bottom "$bar" "$item_cx" "$X" "$Y" "$WIDTH" "$HEIGHT" "$framed"
    x_click "$item_cx" "$item_cy"
    x_closed_for_good || problem "a second click on the item left the panel open, or reopened it"
    x_shot "$out/3-after-second-click.png"
    if ! x_panel_gone; then
        xdotool key Escape
        poll 50 x_panel_gone || fail "the panel does not close at all"
    fi
    x_click "$item_cx" "$item_cy"
    if poll 100 x_find_panel; then
        sleep 0.3
        xdotool key Escape
        x_closed_for_good || problem "Escape left the panel open"
    else
        problem "a third click did not open the panel again"
    fi
else
    x_shot "$out/2-no-panel.png"
    problem "no 340-pixel-wide panel after a click on the item"
fi
thumb "$out/1-item.png" "360x$((screen_h - bar))+$((screen_w - 360))+$bar" "$out/bar.png"
quit_by_menu
note "scenario took $(($(date +%s) - started)) s"
finish "KDE Plasma"
