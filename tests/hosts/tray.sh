# A light bar along the top whose right-end square is our icon: trayer
# (XEmbed: Qt's tray icon) or gtk-sni-tray with Debian's watcher (our
# StatusNotifierItem). Either starts two seconds after the application, which
# must still appear in it. On gtk-sni-tray a second launch opens the first
# one's panel and exits.
if [ "$scenario" = trayer ]; then
    require Xvfb trayer xdotool xwininfo import convert compare
    bar=24
else
    require Xvfb status-notifier-watcher gtk-sni-tray-standalone xdotool xwininfo import convert compare gdbus
    bar=30
fi
host_prepare() { start_xvfb; }
host_start() { edge=top; }

after_app() {
    sleep 2
    if [ "$scenario" = trayer ]; then
        trayer --edge top --align right --widthtype request --height $bar --SetDockType true --transparent false \
            --tint 0xdddddd >"$out/trayer.log" 2>&1 &
        return
    fi
    status-notifier-watcher >"$out/watcher.log" 2>&1 &
    gtk-sni-tray-standalone --top --end --size $bar --color '#e8e8e8' >"$out/tray.log" 2>&1 &
    poll 100 host_registered || fail "gtk-sni-tray did not register as a host"
}

locate_item() {
    item_w=$bar item_h=$bar item_x0=$((screen_w - bar)) item_y0=0 item_x=$((screen_w - bar / 2)) item_y=$((bar / 2))
    import -window root -crop "${bar}x$bar+$item_x0+0" +repage "$work/icon.png"
    [ "$(convert "$work/icon.png" -format %k info:)" -ge 4 ]
}

quit_app() {
    [ "$scenario" = trayer ] || {
        status=0
        ostrel >"$out/second-launch.log" 2>&1 || status=$?
        [ "$status" = 0 ] || problem "a second launch exited with status $status"
        poll 100 panel_shown || problem "a second launch did not open the first one's panel"
        kill -0 "$app_pid" || fail "the first instance ended when the second started"
        escape
        poll 50 closed || fail "Escape did not close the panel"
        quit_by_menu
        return
    }
    # Qt's tray icon shows its own menu, a window of ours: Quit is its last entry.
    x_click "$item_x" "$item_y" 3
    menu_shown() { x_find_panel ostrel "*" && [ "$pw" != 340 ] && [ "$ph" -gt 50 ]; }
    poll 100 menu_shown || fail "no menu after a right click on the icon"
    xdotool key Up Return
    app_ended
}
