#!/bin/sh
# Ostrel in GNOME Shell 43 (headless Wayland session) with the AppIndicator
# extension, the application native on Wayland or through Xwayland: the item
# shows and stays, the extension draws the label the item sends, a click
# opens the item's menu whose first entry, "Open", opens the 340-pixel-wide
# drop-down under the top bar, a double click (Activate) does too, Escape
# closes it, and Quit from the item's menu ends the application.
#   gnome.sh <ostrel> <artefacts> <statistics fixture> <wayland|xwayland>
set -eu
. "$(dirname "$0")/hosts_common.sh"
. "$(dirname "$0")/gnome_common.sh"
app=$1
out=$2
mode=$4
case $mode in wayland | xwayland) ;; *) fail "mode must be wayland or xwayland, not $mode" ;; esac
gnome_require
isolate "$@"
if [ "${5:-}" != --bus ]; then
    make_scratch "$3"
    export work HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" NO_AT_BRIDGE=1
    unset XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME DISPLAY WAYLAND_DISPLAY
    gnome_system_bus
    dbus-run-session -- sh "$0" "$1" "$2" "$3" "$4" --bus
    exit
fi

started=$(date +%s)
gnome_settings
gnome_start "$out/gnome-shell.log"
note "GNOME Shell ready after $(($(date +%s) - started)) s"

if [ "$mode" = wayland ]; then
    export QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=ostrel-wl
else
    export QT_QPA_PLATFORM=xcb DISPLAY="$(shell_eval 'imports.gi.GLib.getenv("DISPLAY")' | tr -d '"')"
    xauth=$(shell_eval 'imports.gi.GLib.getenv("XAUTHORITY")' | tr -d '"')
    [ "$xauth" = null ] || export XAUTHORITY="$xauth"
    [ "$DISPLAY" != null ] || fail "GNOME Shell started no Xwayland"
fi
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME
"$app" >"$out/ostrel.log" 2>&1 &
app_pid=$!
poll 150 item_registered || fail "the item never registered with the extension's watcher: $(cat "$out/ostrel.log")"

# The extension may take the item and drop it again a second later: it must
# be there after three seconds and still after five.
appeared=$(date +%s)
poll 100 indicator || true
sleep 2
if ! indicator; then
    gnome_shot "$out/1-no-item.png"
    fail "GNOME shows no item of ours $(($(date +%s) - appeared)) s after it registered; the shell says: \
$(grep -m 1 'initalizing proxy\|appindicator' "$out/gnome-shell.log" || echo nothing)"
fi
{ read -r item_x; read -r item_y; read -r item_w; read -r item_h; read -r bar; } <<FIELDS
$(json_fields "$ind" x y w h bar)
FIELDS
item_cx=$((item_x + item_w / 2))
item_cy=$((item_y + item_h / 2))
drawn=$(json label)
sent=$(item_property XAyatanaLabel | sed "s/^(<'//; s/'>,)\$//")
note "item ${item_w}x$item_h at $item_x,$item_y in the ${bar}-px top bar, label \"$drawn\" (the item sends \"$sent\")"
[ "$drawn" = "$sent" ] || problem "the top bar shows the label \"$drawn\", the item sends \"$sent\""
gnome_shot "$work/shots/1.png"
cp "$work/shots/1.png" "$out/1-item.png"
check_contrast "$out/1-item.png" "$item_w" "$item_h" "$item_x" "$item_y"

# our_panel: `win` = our visible window's JSON, if any.
our_panel() {
    win=$(shell_eval "$windows_js" | python3 -c 'import json,sys; w=json.load(sys.stdin); print(json.dumps(w[0]) if w else "")')
    [ -n "$win" ]
}
check_gnome_panel() {
    note "our window: $win"
    { read -r wtype; read -r wtab; read -r wx; read -r wy; read -r ww; read -r wh; } <<FIELDS
$(json_fields "$win" type inTabList x y w h)
FIELDS
    framed=no
    [ "$wtype" != 0 ] || { framed=yes; problem "$1: the panel is an ordinary top-level window (type NORMAL)"; }
    [ "$wtab" = false ] || problem "$1: the panel is listed in Alt-Tab"
    context=$1 check_panel top "$bar" "$item_cx" "$wx" "$wy" "$ww" "$wh" "$framed"
}
panel_gone() { ! our_panel; }
close_with_escape() {
    gnome_key_escape
    poll 50 panel_gone && return 0
    problem "$1: Escape left the panel open"
    # A click elsewhere, then the item's own toggle, so the next check starts afresh.
    gnome_click 640 400
    poll 30 panel_gone && return 0
    problem "$1: a click elsewhere left the panel open"
    gdbus call --session -d "$item" -o /StatusNotifierItem -m org.kde.StatusNotifierItem.Activate 0 0 >/dev/null
    poll 50 panel_gone || fail "the panel does not close at all"
}

# A single click: the extension's menu, "Open" first.
gnome_click "$item_cx" "$item_cy"
menu_open() { indicator && [ "$(json menuOpen)" = true ]; }
if poll 50 menu_open; then
    entry=$(shell_eval "$menu_first_js")
    gnome_shot "$out/2-menu.png"
    ind=$entry
    [ "$(json label)" = Open ] || problem "the item's menu starts with \"$(json label)\", not \"Open\""
    if our_panel; then
        note "the first click also sent Activate (extension 46 takes it as a double click too)"
        close_with_escape "first click"
        poll 50 menu_open && gnome_click "$item_cx" "$item_cy"
        poll 50 menu_open
    fi
    ind=$entry
    gnome_click "$(json x)" "$(json y)"
    if poll 100 our_panel; then
        sleep 0.5
        our_panel || true
        gnome_shot "$out/3-panel-open.png"
        check_gnome_panel "Open"
        close_with_escape "Open"
    else
        problem "\"Open\" in the item's menu opened no panel"
    fi
else
    problem "a click on the item opened no menu"
fi

# A double click sends Activate with the click's position.
gnome_click "$item_cx" "$item_cy" 2
if poll 100 our_panel; then
    sleep 0.5
    our_panel || true
    gnome_shot "$out/4-panel-activate.png"
    check_gnome_panel "double click"
    close_with_escape "double click"
else
    problem "a double click on the item (Activate) opened no panel"
fi
menu_open && gnome_key_escape

thumb "$out/1-item.png" "360x$bar+$((screen_w - 360))+0" "$out/bar.png"
quit_by_menu
poll 50 no_indicator || problem "the item stayed in the top bar after the application quit"
note "scenario took $(($(date +%s) - started)) s"
finish "GNOME Shell ($mode)"
