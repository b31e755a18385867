#!/bin/sh
# Ostrel in xfce4-panel 4.18's Status Tray (xfwm4, X11 under Xvfb): the item
# appears in the top bar, a click opens the 340-pixel-wide drop-down right
# under the bar and fully on screen, a second click and Escape close it, and
# Quit from the item's menu ends the application.
#   xfce.sh <ostrel> <artefacts> <statistics fixture>
set -eu
. "$(dirname "$0")/hosts_common.sh"
app=$1
out=$2
require python3 Xvfb xfwm4 xfce4-panel dbus-run-session gdbus xdotool xwininfo xprop import convert
isolate "$@"
if [ "${4:-}" != --bus ]; then
    make_scratch "$3"
    export work HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" NO_AT_BRIDGE=1 QT_QPA_PLATFORM=xcb
    unset XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME XDG_CURRENT_DESKTOP XDG_SESSION_TYPE WAYLAND_DISPLAY
    start_xvfb
    dbus-run-session -- sh "$0" "$1" "$2" "$3" --bus
    exit
fi

# One panel along the top: a stretching separator, then the tray.
conf="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
mkdir -p "$conf"
cat >"$conf/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=640;y=16"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="length" type="uint" value="100"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
        <value type="int" value="2"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="separator">
      <property name="expand" type="bool" value="true"/>
      <property name="style" type="uint" value="0"/>
    </property>
    <property name="plugin-2" type="string" value="systray"/>
  </property>
</channel>
XML

started=$(date +%s)
xfwm4 --compositor=off >"$out/xfwm4.log" 2>&1 &
poll 100 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "xfwm4 did not start"
xfce4-panel >"$out/xfce4-panel.log" 2>&1 &
poll 150 host_registered || fail "xfce4-panel's tray did not register as a StatusNotifier host: $(tail -n 5 "$out/xfce4-panel.log")"
top_strut() { x_workarea && [ "$wa_y" -gt 0 ]; }
poll 100 top_strut || fail "xfce4-panel reserved no strut at the top: $(xprop -root _NET_WORKAREA)"
bar=$wa_y
sleep 1
x_shot "$work/shots/bar-before.png"
note "xfce4-panel ready ($bar-px bar) after $(($(date +%s) - started)) s"

"$app" >"$out/ostrel.log" 2>&1 &
app_pid=$!
poll 150 item_registered || fail "the item never registered with xfce4-panel's watcher: $(cat "$out/ostrel.log")"
# Located as the part of the bar that changed.
located() {
    x_shot "$work/shots/bar-after.png"
    box=$(diff_box "$work/shots/bar-before.png" "$work/shots/bar-after.png" "${screen_w}x$bar+0+0") || return 1
    read -r icon_w icon_h icon_x icon_y <<BOX
$box
BOX
}
poll 100 located || fail "the item registered but nothing appeared in the bar"
sleep 0.5
located
note "item drawn at ${icon_w}x$icon_h+$icon_x+$icon_y"
cp "$work/shots/bar-after.png" "$out/1-item.png"
item_cx=$((icon_x + icon_w / 2))
item_cy=$((icon_y + icon_h / 2))
[ "$(colours "$out/1-item.png" "${icon_w}x$icon_h+$icon_x+$icon_y")" -ge 8 ] ||
    problem "the item's icon is nearly blank (${icon_w}x$icon_h)"
check_contrast "$out/1-item.png" "$icon_w" "$icon_h" "$icon_x" "$icon_y"
label=$(item_property XAyatanaLabel)
note "label the item sends: $label (this host draws the icon only)"

x_click "$item_cx" "$item_cy"
if poll 100 x_find_panel; then
    sleep 0.5
    x_shot "$out/2-panel-open.png"
    x_panel_geometry
    check_panel top "$bar" "$item_cx" "$X" "$Y" "$WIDTH" "$HEIGHT" "$framed"
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
thumb "$out/1-item.png" "360x$bar+$((screen_w - 360))+0" "$out/bar.png"
quit_by_menu
note "scenario took $(($(date +%s) - started)) s"
finish "xfce4-panel"
