#!/bin/sh
# End to end under Xvfb in trayer (XEmbed) or gtk-sni-tray (StatusNotifierItem),
# started before the application or two seconds after it: the icon appears, a
# click opens the 340-pixel-wide popup below the bar, a second launch exits 0
# and opens the first one's panel (where the build has the session-bus guard),
# and Quit ends it. Screenshots stay in <artefacts>.
#   e2e_tray.sh <trayer|sni> <host-first|host-second> <ostrel> <artefacts> <statistics fixture> <single|several>
set -eu
. "$(dirname "$0")/e2e_common.sh"
mode=$1
order=$2
app=$3
out=$4
if [ "${7:-}" != --inside ]; then
    [ "$mode" = trayer ] && need trayer || need status-notifier-watcher gtk-sni-tray-standalone
    need Xvfb dbus-run-session xdotool xwininfo import convert gdbus
    mkdir -p "$out"
    rm -f "$out"/*.png "$out"/*.log
    in_x_session dbus-run-session -- sh "$0" "$@" --inside
    exit
fi
make_home "$5"

[ "$order" = host-first ] && start_tray "$mode" && sleep 1
launch "$app" >"$out/ostrel.log" 2>&1 &
app_pid=$!
pids="$pids $app_pid"
[ "$order" = host-first ] || { sleep 2 && start_tray "$mode"; }

poll 150 icon_drawn || fail "no icon appeared: $(cat "$out/ostrel.log")"
import -window root "$out/before-click.png"
click_icon 1
poll 100 find_panel || fail "no 340-pixel-wide panel after the click"
xwininfo -id "$panel" | grep -q 'Override Redirect State: yes' || fail "the panel is not a popup"
eval "$(xdotool getwindowgeometry --shell "$panel")"
[ "$Y" -ge "$bar" ] && [ $((X + WIDTH)) -le 1280 ] || fail "the panel at $X,$Y covers the bar or leaves the screen"
import -window root "$out/panel-open.png"
xdotool key Escape
poll 50 sh -c "! xwininfo -id $panel | grep -q IsViewable" || fail "Escape left the panel open"

# A second launch asks the running one for its panel and leaves at once.
[ "$6" = single ] || { quit_from_menu "$app_pid"; wait "$app_pid" || fail "exit $? after Quit"; echo "PASS ($mode, $order)"; exit 0; }
status=0
(launch timeout 20 "$app") >"$out/second-launch.log" 2>&1 || status=$?
[ "$status" = 0 ] || fail "the second launch exited with $status: $(cat "$out/second-launch.log")"
poll 100 find_panel || fail "the second launch did not open the first one's panel"
kill -0 "$app_pid" || fail "the first instance is gone"

quit_from_menu "$app_pid"
wait "$app_pid" || fail "the application exited with $? after Quit"
echo "PASS ($mode, $order)"
