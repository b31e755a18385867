# KDE Plasma 5.27 (kwin_x11 and plasmashell, X11), whose default layout has
# one bar along the bottom with the system tray: the panel opens above it.
# Plasma does not draw the label: the icon carries the figure.
require Xvfb kwin_x11 plasmashell xdotool xwininfo xprop import convert compare gdbus
host_prepare() {
    start_xvfb
    export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5
}

host_start() {
    kwin_x11 --replace >"$out/kwin.log" 2>&1 &
    poll 200 x_wm_up || fail "kwin_x11 did not start: $(tail -n 5 "$out/kwin.log")"
    # Plasma logs plenty on a bare machine (udisks, applets): only its state counts.
    plasmashell >"$out/plasmashell.log" 2>&1 &
    poll 300 host_registered || fail "Plasma's tray did not register as a host: $(tail -n 5 "$out/plasmashell.log")"
    bottom_strut() { x_workarea && [ $((wa_y + wa_h)) -lt "$screen_h" ]; }
    poll 300 bottom_strut || fail "Plasma shows no bar along the bottom: $(xprop -root _NET_WORKAREA)"
    edge=bottom bar=$((wa_y + wa_h)) strip=${screen_w}x$((screen_h - wa_y - wa_h))+0+$((wa_y + wa_h))
    # The bar draws its applets over some seconds: wait until it stops changing.
    settled() {
        import -window root -crop "$strip" +repage "$work/new.png"
        same=$(compare -metric AE "$work/new.png" "$work/bar.png" null: 2>&1 || true)
        mv "$work/new.png" "$work/bar.png"
        [ "$same" = 0 ] && [ "$(convert "$work/bar.png" -format %k info:)" -ge 16 ]
    }
    touch "$work/bar.png"
    poll 300 settled || fail "Plasma's bar never settled"
    # Its clock must not tick between the screenshots compared.
    while [ "$(date +%S)" -gt 45 ]; do sleep 1; done
}

# The tray makes room for a new item by moving those after it: ours is the
# first part of the bar that changed (applications sort before Plasma's own).
locate_item() {
    shot "$work/after.png"
    found=$(convert "$work/before.png" "$work/after.png" -crop "$strip" +repage -compose difference -composite \
        -colorspace gray -threshold 8% -morphology Dilate Square:1 -define connected-components:verbose=true \
        -connected-components 8 null: 2>/dev/null | awk '$NF ~ /(255,255,255|gray\(255)\)/ { print $2 }' |
        tr 'x+' '  ' | sort -n -k3 | head -n 1)
    set -- $found
    [ "$#" = 4 ] && [ "$1" -le 52 ] || return 1
    item_w=$(($1 - 2)) item_h=$(($2 - 2)) item_x0=$(($3 + 1)) item_y0=$(($4 + 1 + bar))
    item_x=$((item_x0 + item_w / 2)) item_y=$((item_y0 + item_h / 2))
}
