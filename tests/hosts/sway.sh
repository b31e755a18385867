#!/bin/sh
# Ostrel in waybar 0.9.17's tray on sway 1.7 (headless wlroots, Wayland),
# the application native on Wayland or through Xwayland. sway refuses to run
# as root, so the whole session runs as nobody. The item appears in the top
# bar; a click (a virtual pointer: the headless seat has no mouse) opens the
# 340-pixel-wide drop-down right under the bar, next to the item and fully on
# screen, not a window sway manages; a second click and Escape close it; Quit
# from the item's menu ends the application.
#   sway.sh <ostrel> <artefacts> <statistics fixture> <wayland|xwayland>
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/hosts_common.sh"
app=$1
out=$2
mode=$4
case $mode in wayland | xwayland) ;; *) fail "mode must be wayland or xwayland, not $mode" ;; esac
require sway waybar grim swaymsg setpriv dbus-run-session gdbus python3 convert xdotool xwininfo
isolate "$@"
if [ "${5:-}" != --bus ]; then
    make_scratch "$3"
    # Everything the session needs, readable and writable by nobody.
    cp "$app" "$work/ostrel"
    mkdir -p "$work/out"
    chown -R 65534:65534 "$work"
    status=0
    setpriv --reuid=65534 --regid=65534 --clear-groups env -u XDG_CACHE_HOME -u XDG_DATA_HOME -u DISPLAY \
        -u WAYLAND_DISPLAY work="$work" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
        XDG_CONFIG_HOME="$work/config" NO_AT_BRIDGE=1 \
        dbus-run-session -- sh "$0" "$work/ostrel" "$work/out" "$3" "$4" --bus || status=$?
    cp "$work/out"/* "$out/" 2>/dev/null || true
    exit $status
fi

started=$(date +%s)
mkdir -p "$XDG_CONFIG_HOME/sway" "$XDG_CONFIG_HOME/waybar"
cat >"$XDG_CONFIG_HOME/sway/config" <<CONF
output HEADLESS-1 mode ${screen_w}x$screen_h position 0 0 bg #3b4252 solid_color
xwayland enable
CONF
bar=30
cat >"$XDG_CONFIG_HOME/waybar/config" <<CONF
{ "layer": "top", "position": "top", "height": $bar, "modules-right": ["tray"], "tray": { "spacing": 8 } }
CONF
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$XDG_CONFIG_HOME/sway/config" \
    >"$out/sway.log" 2>&1 &
sway_up() {
    SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -n 1)
    WAYLAND_DISPLAY=$(cd "$XDG_RUNTIME_DIR" && ls wayland-* 2>/dev/null | grep -v lock | head -n 1)
    [ -n "$SWAYSOCK" ] && [ -n "$WAYLAND_DISPLAY" ] && SWAYSOCK=$SWAYSOCK swaymsg -t get_outputs >/dev/null
}
poll 150 sway_up || fail "sway did not start: $(tail -n 20 "$out/sway.log")"
export SWAYSOCK WAYLAND_DISPLAY
waybar >"$out/waybar.log" 2>&1 &
poll 150 host_registered || fail "waybar's tray did not register as a StatusNotifier host: $(tail -n 5 "$out/waybar.log")"
# sway gives the programs it starts the Xwayland display.
swaymsg exec "echo \$DISPLAY >$work/xdisplay" >/dev/null
poll 100 test -s "$work/xdisplay" || fail "sway did not say which display Xwayland has"
sleep 1
grim "$work/shots/bar-before.png"
note "sway and waybar ready after $(($(date +%s) - started)) s"

if [ "$mode" = wayland ]; then
    export QT_QPA_PLATFORM=wayland
else
    export QT_QPA_PLATFORM=xcb DISPLAY="$(cat "$work/xdisplay")"
fi
"$app" >"$out/ostrel.log" 2>&1 &
app_pid=$!
poll 150 item_registered || fail "the item never registered with waybar: $(cat "$out/ostrel.log")"
located() {
    grim "$work/shots/bar-after.png"
    box=$(diff_box "$work/shots/bar-before.png" "$work/shots/bar-after.png" "${screen_w}x$bar+0+0") || return 1
    read -r icon_w icon_h icon_x icon_y <<BOX
$box
BOX
}
poll 100 located || fail "the item registered but nothing appeared in waybar"
sleep 0.5
located
cp "$work/shots/bar-after.png" "$out/1-item.png"
note "item drawn at ${icon_w}x$icon_h+$icon_x+$icon_y"
item_cx=$((icon_x + icon_w / 2))
item_cy=$((icon_y + icon_h / 2))
[ "$(colours "$out/1-item.png" "${icon_w}x$icon_h+$icon_x+$icon_y")" -ge 8 ] ||
    problem "the item's icon is nearly blank (${icon_w}x$icon_h)"
check_contrast "$out/1-item.png" "$icon_w" "$icon_h" "$icon_x" "$icon_y"

# sway_window: `win` = "x y w h" of a window of ours that sway manages (a
# framed top-level window), if there is one.
sway_window() {
    win=$(swaymsg -t get_tree | python3 -c '
import json, sys
def walk(n):
    yield n
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        yield from walk(c)
for n in walk(json.load(sys.stdin)):
    ids = " ".join(str(v) for v in (n.get("app_id"), (n.get("window_properties") or {}).get("class"), n.get("name")))
    if n.get("type") in ("con", "floating_con") and n.get("pid") and "stre" in ids.lower() and n.get("visible"):
        r = n["rect"]
        print(r["x"], r["y"], r["width"], r["height"])
        break')
    [ -n "$win" ]
}
# panel_shown: our panel, as sway or Xwayland knows it: `px py pw ph framed`.
panel_shown() {
    if sway_window; then
        read -r px py pw ph <<WIN
$win
WIN
        framed=yes
        return 0
    fi
    [ "$mode" = xwayland ] && x_find_panel || return 1
    x_panel_geometry
    px=$X py=$Y pw=$WIDTH ph=$HEIGHT
}
panel_hidden() { ! panel_shown; }
closed_for_good() { poll 50 panel_hidden && ! poll 20 panel_shown; }
click() { python3 "$here/wlinput.py" click "$@"; }

click "$item_cx" "$item_cy"
if poll 100 panel_shown; then
    sleep 0.5
    grim "$out/2-panel-open.png"
    check_panel top "$bar" "$item_cx" "$px" "$py" "$pw" "$ph" "$framed"
    click "$item_cx" "$item_cy"
    closed_for_good || problem "a second click on the item left the panel open, or reopened it"
    grim "$out/3-after-second-click.png"
    if ! panel_hidden; then
        python3 "$here/wlinput.py" key escape
        poll 50 panel_hidden || { click 5 $((screen_h - 5)); poll 50 panel_hidden || fail "the panel does not close at all"; }
    fi
    click "$item_cx" "$item_cy"
    if poll 100 panel_shown; then
        sleep 0.3
        python3 "$here/wlinput.py" key escape
        closed_for_good || problem "Escape left the panel open"
    else
        problem "a third click did not open the panel again"
    fi
else
    grim "$out/2-no-panel.png"
    problem "no panel after a click on the item"
fi
thumb "$out/1-item.png" "360x$bar+$((screen_w - 360))+0" "$out/bar.png"
quit_by_menu
note "scenario took $(($(date +%s) - started)) s"
finish "sway with waybar ($mode)"
