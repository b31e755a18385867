# The panel on a short, scaled screen: 1400 x 1200 at QT_SCALE_FACTOR=2 (600
# logical pixels high) with trayer as tray.sh runs it. A click on the icon
# opens the panel: it must fit below the bar, buttons included, and the wheel
# over its middle must scroll to the end and stop there. fit_gtk sets it in
# GNOME's font (Cantarell 11, from GTK's settings through Qt's GTK theme).
. "$here/tray.sh"
require fc-list
launcher="" screen_w=1400 screen_h=1200
host_prepare() {
    start_xvfb ${screen_w}x$screen_h
    export QT_SCALE_FACTOR=2
    [ "$scenario" = fit_plain ] && return
    ls /usr/lib/*/qt6/plugins/platformthemes/libqgtk3.so >/dev/null || fail "no qt6-gtk-platformtheme"
    fc-list | grep -q Cantarell || fail "no Cantarell font"
    mkdir -p "$HOME/.config/gtk-3.0"
    printf '[Settings]\ngtk-font-name=Cantarell 11\n' >"$HOME/.config/gtk-3.0/settings.ini"
    export QT_QPA_PLATFORMTHEME=gtk3
}

# shot_panel <name>: the panel once it has stopped changing.
shot_panel() {
    import -window root -crop "${pw}x$ph+$px+$py" +repage "$out/$1.png"
    until import -window root -crop "${pw}x$ph+$px+$py" +repage "$work/again.png" &&
        [ "$(compare -metric AE "$out/$1.png" "$work/again.png" null: 2>&1)" = 0 ]; do
        mv "$work/again.png" "$out/$1.png"
    done
}

flow() {
    start_app
    after_app
    poll 150 locate_item || fail "no icon appeared: $(cat "$out/ostrel.log")"
    x_click "$item_x" "$item_y"
    poll 100 x_find_panel ostrel 680 || fail "no panel 340 logical pixels wide after a click on the icon"
    [ "$py" -ge "$bar" ] && [ $((py + ph)) -le "$screen_h" ] && [ $((px + pw)) -le "$screen_w" ] ||
        fail "the panel (${pw}x$ph at $px,$py) does not fit below the bar: its buttons are off the screen"
    shot_panel top
    import -window root "$out/screen.png"
    # The wheel over the middle scrolls it; at the end, more wheeling changes nothing.
    xdotool mousemove $((px + pw / 2)) $((py + ph * 3 / 4))
    xdotool click --repeat 60 --delay 10 5
    shot_panel end
    xdotool click --repeat 10 --delay 10 5
    shot_panel further
    [ "$(compare -metric AE "$out/top.png" "$out/end.png" null: 2>&1)" != 0 ] || fail "the wheel did not scroll the panel"
    [ "$(compare -metric AE "$out/end.png" "$out/further.png" null: 2>&1)" = 0 ] || fail "the panel scrolls on past its end"
}
