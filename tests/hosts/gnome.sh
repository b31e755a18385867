# GNOME Shell 43 headless (Wayland, with Xwayland) and the AppIndicator
# extension, which draws the label. The application runs natively
# (QT_QPA_PLATFORM=wayland: the user's choice wins) or through Xwayland, its
# own choice in a Wayland session with an X display. The shell runs in
# unsafe mode, so the test can read its state (org.gnome.Shell.Eval), drive
# a virtual pointer and keyboard inside it and take screenshots.
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
# js_vars <javascript>: the object it returns as shell variables, booleans as
# yes/no; fails while it returns null.
js_vars() {
    vars=$(js "$1" | python3 -c 'import json, shlex, sys
for k, v in (json.load(sys.stdin) or {}).items():
    print("%s=%s" % (k, shlex.quote(("no", "yes")[v] if isinstance(v, bool) else str(v))))') &&
        [ -n "$vars" ] && eval "$vars"
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

# The extension's actor for our item: its geometry, the label it draws,
# whether its menu is open and the menu's first entry; fails while there is none.
indicator() {
    js_vars '(() => { const area = Main.panel.statusArea;
        const key = Object.keys(area).find(k => k.startsWith("appindicator") && area[k].mapped);
        if (!key) return null;
        const a = area[key], [x, y] = a.get_transformed_position(), [w, h] = a.get_transformed_size();
        const first = a.menu._getMenuItems().filter(i => i.visible)[0];
        const [fx, fy] = first ? first.get_transformed_position() : [0, 0];
        return {item_x0: Math.round(x), item_y0: Math.round(y), item_w: Math.round(w), item_h: Math.round(h),
                bar: Main.panel.height, drawn: a._label ? a._label.get_text() : "", menu: a.menu.isOpen,
                first: first && first.label ? first.label.get_text() : "", first_x: Math.round(fx + 40),
                first_y: Math.round(fy + 10)}; })()'
}
menu_open() { indicator && [ "$menu" = yes ]; }
locate_item() {
    item_registered && indicator && item_x=$((item_x0 + item_w / 2)) item_y=$((item_y0 + item_h / 2))
}
settle=2

# Our window as the shell sees it: frame, type (0: an ordinary window),
# decoration, X11 or Wayland, and whether Alt-Tab lists it.
panel_shown() {
    js_vars '(() => { const { Meta } = imports.gi;
        const tabs = global.display.get_tab_list(Meta.TabList.NORMAL_ALL, null);
        const w = global.get_window_actors().map(a => a.meta_window).find(w => /ostrel/i.test(w.get_wm_class() +
            " " + w.get_gtk_application_id() + " " + w.get_title()) && w.showing_on_its_workspace() &&
            w.get_frame_rect().width > 0);
        if (!w) return null;
        const r = w.get_frame_rect();
        return {px: r.x, py: r.y, pw: r.width, ph: r.height, type: w.get_window_type(), framed: w.decorated,
                x11: w.get_client_type() === Meta.WindowClientType.X11,
                alttab: tabs.includes(w) && !w.is_skip_taskbar()}; })()'
}

check_open_panel() {
    check_panel top "$bar" "$(near)"
    expected=$([ "$scenario" = gnome_xwayland ] && echo yes || echo no)
    [ "$x11" = "$expected" ] || problem "${context:+$context: }the panel is an X11 window: $x11, not $expected"
    # On Wayland a window cannot keep out of the window list: see the README.
    [ "$scenario" = gnome_wayland ] || [ "$type" != 0 ] || problem "${context:+$context: }the panel: a normal window"
    [ "$scenario" = gnome_wayland ] || [ "$alttab" = no ] || problem "${context:+$context: }Alt-Tab lists the panel"
}

# A click opens the extension's menu, whose first entry, "Open", opens the
# panel; after that a double click (Activate) opens and closes it.
before_panel() {
    click "$item_x" "$item_y"
    poll 50 menu_open || fail "a click on the item opened no menu"
    [ "$first" = Open ] || problem "the item's menu starts with \"$first\", not \"Open\""
    # Extension 46 takes the first click after a start for a double click too.
    if panel_shown; then
        escape
        poll 50 closed || fail "Escape did not close the panel the first click opened"
        ! menu_open || escape
        click "$item_x" "$item_y"
        poll 50 menu_open || fail "a click on the item opened no menu"
    fi
    shot "$out/2-menu.png"
    click "$first_x" "$first_y"
    poll 100 panel_shown || fail "\"Open\" in the item's menu opened no panel"
    sleep 0.5
    panel_shown || problem "the panel \"Open\" opened closed by itself"
    context=Open
    check_open_panel
    escape
    must_close "Escape"
    context=""
}
activate() {
    ! menu_open || escape
    click "$item_x" "$item_y" 2
}

quit_app() {
    indicator || fail "the item left the top bar"
    [ "$drawn" = "$label" ] || problem "the top bar shows \"$drawn\", not \"$label\""
    quit_by_menu
    gone() { ! js 'Object.keys(Main.panel.statusArea).some(k => k.startsWith("appindicator"))' | grep -q true; }
    poll 50 gone || problem "the item stayed in the top bar after the application quit"
}
