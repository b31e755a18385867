# Sourced by the scripts that run the real application on an X display.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# need <tool>...: skipped (exit 77) unless every tool is installed.
need() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: no $tool (scripts/install-deps.sh installs it)"; exit 77; }
    done
}

# poll <tenths of a second> <command...>
poll() {
    tries=$1
    shift
    until "$@" >/dev/null 2>&1; do
        [ $((tries -= 1)) -gt 0 ] || return 1
        sleep 0.1
    done
}

# in_x_session <command...>: runs it in a subshell on a fresh 1280 × 800 X
# server, which picks a free display itself (-displayfd): parallel runs cannot
# collide as with xvfb-run -a. No accessibility bus (nor its daemon). Logs
# go to the caller's `out`.
in_x_session() {
    : >"$out/display"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
    xvfb=$!
    poll 100 test -s "$out/display" || fail "Xvfb did not start: $(cat "$out/xvfb.log")"
    status=0
    (export DISPLAY=":$(cat "$out/display")" NO_AT_BRIDGE=1 && "$@") || status=$?
    kill "$xvfb"
    return $status
}

# A scratch runtime directory and home, empty or (given a statistics
# fixture) with just that in .claude; `pids` are ended on exit.
make_home() {
    work=$(mktemp -d)
    pids=""
    trap 'kill $pids 2>/dev/null || true; rm -rf "$work"' EXIT INT TERM
    mkdir -m 700 "$work/runtime"
    mkdir -p "$work/home${1:+/.claude}"
    [ -z "${1:-}" ] || cp "$1" "$work/home/.claude/stats-cache.json"
}

# launch <program...>: in the scratch home; it replaces the shell (use & or ( )).
launch() {
    unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME
    export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
    exec "$@"
}

# start_tray <trayer|sni>: trayer, or gtk-sni-tray with Debian's watcher; a
# light bar `bar` pixels high along the top, our icon its right-end square.
start_tray() {
    if [ "$1" = trayer ]; then
        bar=24
        trayer --edge top --align right --widthtype request --height $bar --SetDockType true \
            --transparent false --tint 0xdddddd >"$out/trayer.log" 2>&1 &
        pids="$pids $!"
        return
    fi
    bar=30
    status-notifier-watcher >"$out/watcher.log" 2>&1 &
    pids="$pids $!"
    gtk-sni-tray-standalone --top --end --size $bar --color '#e8e8e8' >"$out/tray.log" 2>&1 &
    pids="$pids $!"
    poll 100 sh -c "gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher IsStatusNotifierHostRegistered \
        | grep -q true" || fail "gtk-sni-tray did not register as a host"
}

# Whether the icon is there: more than a handful of colours in its square.
icon_drawn() {
    import -window root -crop "${bar}x$bar+$((1280 - bar))+0" +repage "$out/icon.png"
    [ "$(convert "$out/icon.png" -format %k info:)" -ge 4 ]
}

click_icon() {
    xdotool mousemove $((1280 - bar / 2)) $((bar / 2)) click "$1"
}

# find_panel: `panel`, the 340-pixel-wide window of ours.
find_panel() {
    for panel in $(xdotool search --onlyvisible --class '^ostrel$'); do
        xwininfo -id "$panel" | grep -q '^ *Width: 340$' && return 0
    done
    return 1
}

# menu_shown: a window of ours that is neither the panel nor the tray icon.
menu_shown() {
    for window in $(xdotool search --onlyvisible --class '^ostrel$'); do
        eval "$(xdotool getwindowgeometry --shell "$window")"
        [ "$WIDTH" != 340 ] && [ "$HEIGHT" -gt 50 ] && return 0
    done
    return 1
}

panel_closed() {
    ! find_panel
}

# quit_from_menu <pid>: Quit, the last entry of the item's menu, must end it.
# The panel goes first: while it is open, a click elsewhere only closes it.
quit_from_menu() {
    xdotool key Escape
    poll 100 panel_closed || fail "Escape left the panel open"
    click_icon 3
    # gtk-sni-tray draws the menu itself; Qt's tray shows a window of ours.
    [ "${mode:-}" = sni ] && sleep 1 || poll 100 menu_shown || fail "no menu after a right click"
    xdotool key Up Return
    poll 50 sh -c "! kill -0 $1" || fail "Quit from the menu did not end the application"
}
