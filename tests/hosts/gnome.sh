# GNOME Shell 43 headless (Wayland, with Xwayland) and the AppIndicator
# extension, which draws the label. The application runs natively
# (QT_QPA_PLATFORM=wayland: the user's choice wins) or through Xwayland, its
# own choice in a Wayland session with an X display. The shell runs in
# unsafe mode, so the test can read its state (org.gnome.Shell.Eval), drive
# a virtual pointer and keyboard inside it and take screenshots. A click on
# the item opens the extension's menu, whose first entry must be "Open"; a
# double click sends Activate.
require dbus-daemon gdbus gsettings gnome-shell mount python3 convert compare xmessage
extension=ubuntu-appindicators@ubuntu.com
[ -d "/usr/share/gnome-shell/extensions/$extension" ] || fail "no gnome-shell-extension-appindicator"

# A system bus of our own that allows everything, and no logind: where
# /run/systemd exists, the shell asks logind for a session and gives up.
host_prepare() {
    mount -t tmpfs none /run/systemd 2>/dev/null || true
    cat >"$work/system-bus.conf" <<XML
<busconfig><type>system</type><listen>unix:path=$work/system-bus</listen><auth>EXTERNAL</auth>
<policy context="default"><allow user="*"/><allow own="*"/><allow send_type="*"/><allow receive_type="*"/>
</policy></busconfig>
XML
    dbus-daemon --config-file="$work/system-bus.conf" --nofork --nopidfile >"$out/system-bus.log" 2>&1 &
    poll 50 test -S "$work/system-bus" || fail "the private system bus did not start"
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/system-bus"
}

# js <javascript>: its value as JSON; fails if the shell refuses.
js() {
    reply=$(gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m org.gnome.Shell.Eval "$1" 2>&1) || return 1
    case $reply in "(true, '"*) printf '%s\n' "$reply" | sed "s/^(true, '//; s/')\$//" ;; *) return 1 ;; esac
}
# field <json> <name>...: the values, one a line, booleans as yes/no.
field() {
    json=$1
    shift
    printf '%s' "$json" | python3 -c 'import json, sys
v = json.load(sys.stdin)
for k in sys.argv[1:]:
    print(("no", "yes")[v[k]] if isinstance(v[k], bool) else v[k])' "$@"
}

host_start() {
    gsettings set org.gnome.shell enabled-extensions "['$extension']"
    gsettings set org.gnome.shell welcome-dialog-last-shown-version '999'
    XDG_SESSION_TYPE=wayland gnome-shell --headless --wayland --virtual-monitor ${screen_w}x$screen_h --unsafe-mode \
        --wayland-display=ostrel-wl >"$out/gnome-shell.log" 2>&1 &
    ready() { [ "$(js 'Main.layoutManager._startingUp')" = false ]; }
    poll 300 ready || fail "GNOME Shell did not start: $(tail -n 20 "$out/gnome-shell.log")"
    # It starts in the overview; leave it as a user would. The virtual pointer
    # and keyboard come now, so the application sees a keyboard from its start.
    left() {
        [ "$(js 'const { Clutter } = imports.gi; const seat = Clutter.get_default_backend().get_default_seat();
            global._pointer ??= seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
            global._keyboard ??= seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
            Main.overview.hide(); Main.overview.visible || Main.overview.animationInProgress')" = false ]
    }
    poll 100 left || fail "GNOME Shell stays in the overview"
    export WAYLAND_DISPLAY=ostrel-wl XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME
    export DISPLAY="$(js 'imports.gi.GLib.getenv("DISPLAY")' | tr -d '"')"
    [ "$DISPLAY" != null ] || fail "GNOME Shell started no Xwayland"
    xauthority=$(js 'imports.gi.GLib.getenv("XAUTHORITY")' | tr -d '"')
    [ "$xauthority" = null ] || export XAUTHORITY="$xauthority"
    [ "$scenario" = gnome_xwayland ] || export QT_QPA_PLATFORM=wayland
    # GNOME has no desktop window: a click on the bare background moves the
    # focus nowhere. A click elsewhere lands on another program's window.
    QT_QPA_PLATFORM= xmessage -geometry 100x200+10+300 "another program" >/dev/null 2>&1 &
}
elsewhere() { click 60 400; }
# Not checked through Xwayland: there the shell's virtual pointer clicks the
# other program's window without moving the focus off the panel (mutter keeps
# it), so nothing tells the panel. Escape is checked instead.
[ "$scenario" = gnome_xwayland ] && no_click_elsewhere="the headless shell's clicks move no focus between X windows"

shot() {
    gdbus call --session -d org.gnome.Shell.Screenshot -o /org/gnome/Shell/Screenshot \
        -m org.gnome.Shell.Screenshot.Screenshot false false "$1" >/dev/null
}
click() {
    js "const { Clutter, GLib } = imports.gi; let t = GLib.get_monotonic_time();
        global._pointer.notify_absolute_motion(t, $1, $2);
        for (let i = 0; i < ${3:-1}; i++) {
            global._pointer.notify_button(t += 20000, Clutter.BUTTON_PRIMARY, Clutter.ButtonState.PRESSED);
            global._pointer.notify_button(t += 60000, Clutter.BUTTON_PRIMARY, Clutter.ButtonState.RELEASED);
        }" >/dev/null
}
escape() {
    js 'const { Clutter, GLib } = imports.gi; const t = GLib.get_monotonic_time();
        global._keyboard.notify_keyval(t, Clutter.KEY_Escape, Clutter.KeyState.PRESSED);
        global._keyboard.notify_keyval(t + 50000, Clutter.KEY_Escape, Clutter.KeyState.RELEASED)' >/dev/null
}
near() { [ "$scenario" = gnome_xwayland ] && echo "$item_x" || echo any; }

# The extension's actor for our item: `ind` as JSON (geometry, drawn label,
# whether its menu is open, the menu's first entry); fails while there is none.
indicator() {
    ind=$(js '(() => { const area = Main.panel.statusArea;
        const key = Object.keys(area).find(k => k.startsWith("appindicator") && area[k].mapped);
        if (!key) return null;
        const a = area[key], [x, y] = a.get_transformed_position(), [w, h] = a.get_transformed_size();
        const first = a.menu._getMenuItems().filter(i => i.visible)[0];
        const [fx, fy] = first ? first.get_transformed_position() : [0, 0];
        return {x: Math.round(x), y: Math.round(y), w: Math.round(w), h: Math.round(h), bar: Main.panel.height,
                label: a._label ? a._label.get_text() : "", menu: a.menu.isOpen, first: first && first.label ?
                first.label.get_text() : "", fx: Math.round(fx + 40), fy: Math.round(fy + 10)}; })()') &&
        [ -n "$ind" ] && [ "$ind" != null ]
}
menu_open() { indicator && [ "$(field "$ind" menu)" = yes ]; }

# Our window as the shell sees it: frame, type (0: an ordinary window),
# decoration, X11 or Wayland, and whether Alt-Tab lists it.
panel_shown() {
    win=$(js '(() => { const { Meta } = imports.gi;
        const tabs = global.display.get_tab_list(Meta.TabList.NORMAL_ALL, null);
        const w = global.get_window_actors().map(a => a.meta_window).find(w => /ostrel/i.test(w.get_wm_class() +
            " " + w.get_gtk_application_id() + " " + w.get_title()) && w.showing_on_its_workspace() &&
            w.get_frame_rect().width > 0);
        if (!w) return null;
        const r = w.get_frame_rect();
        return {x: r.x, y: r.y, w: r.width, h: r.height, type: w.get_window_type(), framed: w.decorated,
                x11: w.get_client_type() === Meta.WindowClientType.X11,
                alttab: tabs.includes(w) && !w.is_skip_taskbar()}; })()') && [ -n "$win" ] && [ "$win" != null ] &&
        { read -r px; read -r py; read -r pw; read -r ph; read -r framed; } <<EOF
$(field "$win" x y w h framed)
EOF
}

check_gnome_panel() {
    context=$1
    { read -r type; read -r x11; read -r alttab; } <<EOF
$(field "$win" type x11 alttab)
EOF
    check_panel top "$bar" "$(near)"
    expected=$([ "$scenario" = gnome_xwayland ] && echo yes || echo no)
    [ "$x11" = "$expected" ] || problem "$1: the panel is an X11 window: $x11, not $expected"
    # On Wayland a window cannot keep out of the window list: see the README.
    [ "$scenario" = gnome_wayland ] || [ "$type" != 0 ] || problem "$1: the panel is an ordinary window (type NORMAL)"
    [ "$scenario" = gnome_wayland ] || [ "$alttab" = no ] || problem "$1: Alt-Tab lists the panel"
    context=""
}

flow() {
    host_start
    start_app
    poll 150 item_registered || fail "the item never registered with the extension: $(cat "$out/ostrel.log")"
    # The extension may take an item and drop it a second later: it must be
    # there after three seconds and still after five.
    poll 30 indicator || true
    sleep 2
    indicator || { shot "$out/1-no-item.png" && fail "GNOME shows no item of ours: $(grep -m 1 'initalizing proxy' \
        "$out/gnome-shell.log" || true)"; }
    { read -r item_x0; read -r item_y0; read -r item_w; read -r item_h; read -r bar; } <<EOF
$(field "$ind" x y w h bar)
EOF
    item_x=$((item_x0 + item_w / 2)) item_y=$((item_y0 + item_h / 2))
    shot "$out/1-item.png"
    check_item "$out/1-item.png" "$item_w" "$item_h" "$item_x0" "$item_y0"

    click "$item_x" "$item_y"
    poll 50 menu_open || fail "a click on the item opened no menu"
    [ "$(field "$ind" first)" = Open ] || problem "the item's menu starts with \"$(field "$ind" first)\", not \"Open\""
    # Extension 46 takes the first click after a start for a double click too.
    if panel_shown; then
        escape
        poll 50 closed || fail "Escape did not close the panel the first click opened"
        ! menu_open || escape
        click "$item_x" "$item_y"
        poll 50 menu_open || fail "a click on the item opened no menu"
    fi
    shot "$out/2-menu.png"
    click "$(field "$ind" fx)" "$(field "$ind" fy)"
    poll 100 panel_shown || fail "\"Open\" in the item's menu opened no panel"
    sleep 0.5
    panel_shown || problem "the panel \"Open\" opened closed by itself"
    check_gnome_panel "Open"
    escape
    must_close "Escape"

    click "$item_x" "$item_y" 2
    poll 100 panel_shown || fail "a double click on the item (Activate) opened no panel"
    sleep 0.5
    panel_shown || problem "the panel a double click opened closed by itself"
    shot "$out/3-figures.png"
    check_gnome_panel "double click"
    click "$item_x" "$item_y" 2
    must_close "a second double click on the item"
    ! menu_open || escape
    click "$item_x" "$item_y" 2
    poll 100 panel_shown && sleep 0.5 && panel_shown || fail "a third double click opened no panel, or it closed"
    close_elsewhere

    indicator || fail "the item left the top bar"
    [ "$(field "$ind" label)" = "$label" ] || problem "the top bar shows \"$(field "$ind" label)\", not \"$label\""
    quit_by_menu
    gone() { ! js 'Object.keys(Main.panel.statusArea).some(k => k.startsWith("appindicator"))' | grep -q true; }
    poll 50 gone || problem "the item stayed in the top bar after the application quit"
}
