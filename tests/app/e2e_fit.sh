#!/bin/sh
# End to end on a short, scaled screen: Xvfb at 1400 × 1200 with
# QT_SCALE_FACTOR=2 (600 logical pixels high) and trayer, a real statistics
# file and a full usage reply (read from a file). A click on the icon opens
# the panel: it must fit on the screen below the bar, buttons included, and
# wheeling over its middle must scroll to the end and stop there. With "gtk",
# Qt's GTK theme takes the font from GTK's settings (Cantarell 11), as on
# GNOME. Screenshots stay in <artefacts>.
#   e2e_fit.sh <plain|gtk> <app> <artefacts> <statistics fixture> <usage reply>
set -eu
. "$(dirname "$0")/e2e_common.sh"
theme=$1
app=$2
out=$3
width=1400
height=1200
if [ "${6:-}" != --inside ]; then
    need Xvfb dbus-run-session trayer xdotool import compare
    if [ "$theme" = gtk ]; then
        ls /usr/lib/*/qt6/plugins/platformthemes/libqgtk3.so >/dev/null 2>&1 \
            || { echo "SKIP: no qt6-gtk-platformtheme (scripts/install-deps.sh installs it)"; exit 77; }
        fc-list | grep -q Cantarell || { echo "SKIP: no Cantarell (scripts/install-deps.sh installs it)"; exit 77; }
    fi
    mkdir -p "$out"
    rm -f "$out"/*.png "$out"/*.log
    : >"$out/display"
    Xvfb -displayfd 3 -screen 0 ${width}x${height}x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
    xvfb=$!
    poll 100 test -s "$out/display" || fail "Xvfb did not start: $(cat "$out/xvfb.log")"
    status=0
    (export DISPLAY=":$(cat "$out/display")" NO_AT_BRIDGE=1 && dbus-run-session -- sh "$0" "$@" --inside) || status=$?
    kill "$xvfb"
    exit $status
fi
make_home "$4"
export QT_SCALE_FACTOR=2
if [ "$theme" = gtk ]; then
    mkdir -p "$work/home/.config/gtk-3.0"
    printf '[Settings]\ngtk-font-name=Cantarell 11\n' >"$work/home/.config/gtk-3.0/settings.ini"
    export QT_QPA_PLATFORMTHEME=gtk3
fi

start_tray trayer
launch "$app" "$5" >"$out/app.log" 2>&1 &
pids="$pids $!"

icon_shown() {
    import -window root -crop "${bar}x$bar+$((width - bar))+0" +repage "$out/icon.png"
    [ "$(convert "$out/icon.png" -format %k info:)" -ge 4 ]
}
# The panel: a window of ours 340 logical pixels wide.
panel_shown() {
    for panel in $(xdotool search --onlyvisible --class '^ostrel$'); do
        eval "$(xdotool getwindowgeometry --shell "$panel")"
        [ "$WIDTH" = 680 ] && return 0
    done
    return 1
}
# shot <name>: the panel once it has stopped changing.
shot() {
    import -window root -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage "$out/$1.png"
    until import -window root -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage "$out/again.png" \
        && [ "$(compare -metric AE "$out/$1.png" "$out/again.png" null: 2>&1)" = 0 ]; do
        mv "$out/again.png" "$out/$1.png"
    done
}

poll 150 icon_shown || fail "no icon appeared: $(cat "$out/app.log")"
xdotool mousemove $((width - bar / 2)) $((bar / 2)) click 1
poll 100 panel_shown || fail "no panel after the click"
[ "$Y" -ge "$bar" ] && [ $((Y + HEIGHT)) -le "$height" ] && [ $((X + WIDTH)) -le "$width" ] \
    || fail "the panel (${WIDTH}x$HEIGHT at $X,$Y) does not fit below the bar: its buttons are off the screen"
shot top
import -window root "$out/screen.png"

# The wheel over the middle scrolls it; at the end, more wheeling changes nothing.
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT * 3 / 4))
xdotool click --repeat 60 --delay 10 5
shot end
xdotool click --repeat 10 --delay 10 5
shot further
[ "$(compare -metric AE "$out/top.png" "$out/end.png" null: 2>&1)" != 0 ] || fail "the wheel did not scroll the panel"
[ "$(compare -metric AE "$out/end.png" "$out/further.png" null: 2>&1)" = 0 ] || fail "the panel scrolls on past its end"
echo "PASS ($theme): ${WIDTH}x$HEIGHT device pixels at $X,$Y"
