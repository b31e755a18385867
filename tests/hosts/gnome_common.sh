# Sourced after hosts_common.sh: GNOME Shell 43 headless (Wayland, with
# Xwayland) and the AppIndicator extension, in unsafe mode so the test can
# read the shell's own state (org.gnome.Shell.Eval), drive a virtual pointer
# and keyboard inside it and take screenshots.

gnome_extension=ubuntu-appindicators@ubuntu.com

gnome_require() {
    require python3 Xvfb dbus-daemon dbus-run-session gdbus gsettings gnome-shell mount convert
    [ -d "/usr/share/gnome-shell/extensions/$gnome_extension" ] ||
        fail "no AppIndicator extension: scripts/install-deps.sh installs gnome-shell-extension-appindicator"
}

# gnome_system_bus: a system bus of our own that allows everything, and no
# logind: where /run/systemd exists the shell asks logind for a session it
# does not have and exits. Needs the private mount namespace.
gnome_system_bus() {
    mount -t tmpfs none /run/systemd 2>/dev/null || true
    cat >"$work/system-bus.conf" <<XML
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/system-bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_type="method_return"/>
    <allow send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="signal"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
  </policy>
</busconfig>
XML
    dbus-daemon --config-file="$work/system-bus.conf" --nofork --nopidfile >"$out/system-bus.log" 2>&1 &
    poll 50 test -S "$work/system-bus" || fail "the private system bus did not start"
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/system-bus"
}

# gnome_settings: the extension on, no welcome tour.
gnome_settings() {
    gsettings set org.gnome.shell enabled-extensions "['$gnome_extension']"
    gsettings set org.gnome.shell welcome-dialog-last-shown-version '999'
}

# shell_eval <javascript>: the value, as JSON; fails if the shell refuses.
shell_eval() {
    reply=$(gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m org.gnome.Shell.Eval "$1" 2>&1) || return 1
    case $reply in
    "(true, '"*) printf '%s\n' "$reply" | sed "s/^(true, '//; s/')\$//" ;;
    *) printf '%s\n' "$reply" >&2; return 1 ;;
    esac
}

# gnome_start <log>: the shell on a 1280 × 800 virtual monitor; returns once
# it has finished starting up.
gnome_start() {
    XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME gnome-shell --headless --wayland --virtual-monitor \
        ${screen_w}x$screen_h --unsafe-mode --wayland-display=ostrel-wl >"$1" 2>&1 &
    shell_pid=$!
    shell_ready() { [ "$(shell_eval 'Main.layoutManager._startingUp')" = false ]; }
    poll 300 shell_ready || fail "GNOME Shell did not start: $(tail -n 20 "$1")"
    # Ended first and alone, it shuts its Xwayland down and removes the
    # display's lock files; ended together with Xwayland it leaves them.
    trap gnome_stop EXIT
    # It starts in the overview, which hides other windows' pop-ups: leave it
    # as a user would before working.
    overview_hidden() { [ "$(shell_eval 'Main.overview.hide(); Main.overview.visible || Main.overview.animationInProgress')" = false ]; }
    poll 100 overview_hidden || fail "GNOME Shell stays in the overview"
}

gnome_stop() {
    kill "$shell_pid" 2>/dev/null || return 0
    shell_gone() { ! kill -0 "$shell_pid"; }
    poll 100 shell_gone || true
}

# The indicator's state as JSON: null while the extension shows no item of
# ours, else key, x, y, w, h (logical pixels) and the drawn label.
indicator_js='(() => {
    const area = Main.panel.statusArea;
    const key = Object.keys(area).find(k => k.startsWith("appindicator") && area[k].mapped);
    if (!key) return null;
    const a = area[key];
    const [x, y] = a.get_transformed_position();
    const [w, h] = a.get_transformed_size();
    return {key, x: Math.round(x), y: Math.round(y), w: Math.round(w), h: Math.round(h),
            label: a._label ? a._label.get_text() : "", bar: Main.panel.height,
            menuOpen: a.menu.isOpen};
})()'

# indicator: `ind` = that JSON; fails while there is none.
indicator() {
    ind=$(shell_eval "$indicator_js") && [ -n "$ind" ] && [ "$ind" != null ]
}

no_indicator() {
    ! indicator
}

# json_fields <json> <field>...: the fields' values, one per line (booleans
# as true/false), for `read`.
json_fields() {
    fields_of=$1
    shift
    printf '%s' "$fields_of" | python3 -c 'import json, sys
v = json.load(sys.stdin)
for k in sys.argv[1:]:
    print(str(v[k]).lower() if isinstance(v[k], bool) else v[k])' "$@"
}

# json <field>: one field of `ind`.
json() {
    json_fields "$ind" "$1"
}

# Input through a virtual device inside the shell, like a real mouse.
gnome_click() {
    shell_eval "(() => {
        const { Clutter, GLib } = imports.gi;
        const seat = Clutter.get_default_backend().get_default_seat();
        global._ostrelPointer ??= seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
        const d = global._ostrelPointer;
        let t = GLib.get_monotonic_time();
        d.notify_absolute_motion(t, $1, $2);
        for (let i = 0; i < ${3:-1}; i++) {
            d.notify_button(t += 20000, Clutter.BUTTON_PRIMARY, Clutter.ButtonState.PRESSED);
            d.notify_button(t += 60000, Clutter.BUTTON_PRIMARY, Clutter.ButtonState.RELEASED);
        }
        return true;
    })()" >/dev/null
}

gnome_key_escape() {
    shell_eval "(() => {
        const { Clutter, GLib } = imports.gi;
        const seat = Clutter.get_default_backend().get_default_seat();
        global._ostrelKeyboard ??= seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        const d = global._ostrelKeyboard;
        const t = GLib.get_monotonic_time();
        d.notify_keyval(t, Clutter.KEY_Escape, Clutter.KeyState.PRESSED);
        d.notify_keyval(t + 50000, Clutter.KEY_Escape, Clutter.KeyState.RELEASED);
        return true;
    })()" >/dev/null
}

# The first entry of the indicator's open menu: label and centre.
menu_first_js='(() => {
    const area = Main.panel.statusArea;
    const key = Object.keys(area).find(k => k.startsWith("appindicator"));
    const items = key ? area[key].menu._getMenuItems().filter(i => i.visible) : [];
    if (!items.length) return null;
    const [x, y] = items[0].get_transformed_position();
    const [w, h] = items[0].get_transformed_size();
    return {label: items[0].label ? items[0].label.get_text() : "", x: Math.round(x + w / 2), y: Math.round(y + h / 2)};
})()'

# Our windows: frame rectangle, type, decoration and whether Alt-Tab lists it.
windows_js='(() => {
    const { Meta } = imports.gi;
    const tabs = global.display.get_tab_list(Meta.TabList.NORMAL_ALL, null);
    return global.get_window_actors().map(a => a.meta_window)
        .filter(w => /ostrel/i.test((w.get_wm_class() || "") + " " + (w.get_gtk_application_id() || "") + " " + (w.get_title() || "")))
        .filter(w => w.showing_on_its_workspace() && !w.minimized && w.get_frame_rect().width > 0)
        .map(w => { const r = w.get_frame_rect();
            return {title: w.get_title(), type: w.get_window_type(), x: r.x, y: r.y, w: r.width, h: r.height,
                    x11: w.get_client_type() === Meta.WindowClientType.X11, decorated: w.decorated,
                    inTabList: tabs.includes(w), skipTaskbar: w.is_skip_taskbar()}; });
})()'

# gnome_shot <file>: the whole screen, as the shell draws it.
gnome_shot() {
    gdbus call --session -d org.gnome.Shell.Screenshot -o /org/gnome/Shell/Screenshot \
        -m org.gnome.Shell.Screenshot.Screenshot false false "$1" >/dev/null
}
