# waybar 0.9.17's tray in a bar along the top of sway 1.7 (headless wlroots).
# The application runs natively (QT_QPA_PLATFORM=wayland: the user's choice
# wins; sway places the panel) or through Xwayland, its own choice in a
# Wayland session with an X display. waybar does not draw the label: the icon
# carries the figure. sway refuses to run as root: the session runs as nobody.
require sway waybar grim swaymsg setpriv python3 convert compare xdotool xwininfo gdbus
host_prepare() {
    # The user may not reach the checkout or the build: all it runs is copied.
    cp "$app" "$work/ostrel"
    mkdir "$work/out" "$work/scripts" "$work/support"
    cp "$here"/*.sh "$here"/*.py "$work/scripts/"
    cp "$here/../support/shell.sh" "$work/support/"
    chown -R 65534:65534 "$work"
    status=0
    OSTREL_STAGE=session setpriv --reuid=65534 --regid=65534 --clear-groups dbus-run-session -- \
        sh "$work/scripts/run.sh" "$scenario" "$work/ostrel" "$work/out" "$src" "$server" || status=$?
    cp "$work/out"/* "$out/" 2>/dev/null || true
    exit $status
}

host_start() {
    mkdir -p "$HOME/.config/sway" "$HOME/.config/waybar"
    printf 'output HEADLESS-1 mode %sx%s position 0 0 bg #3b4252 solid_color\nxwayland enable\n' $screen_w $screen_h \
        >"$HOME/.config/sway/config"
    echo '{"layer": "top", "position": "top", "height": 30, "modules-right": ["tray"], "tray": {"spacing": 8}}' \
        >"$HOME/.config/waybar/config"
    export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$HOME/.config/sway/config" \
        >"$out/sway.log" 2>&1 &
    sway_up() {
        SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock | head -n 1)
        WAYLAND_DISPLAY=$(cd "$XDG_RUNTIME_DIR" && ls wayland-* | grep -v lock | head -n 1)
        SWAYSOCK=$SWAYSOCK swaymsg -t get_outputs
    }
    poll 150 sway_up || fail "sway did not start: $(tail -n 20 "$out/sway.log")"
    export SWAYSOCK WAYLAND_DISPLAY
    mkfifo "$work/input"
    python3 "$here/wlinput.py" <"$work/input" >"$out/wlinput.log" 2>&1 &
    exec 7>"$work/input"
    poll 50 grep -q ready "$out/wlinput.log" || fail "no virtual pointer and keyboard: $(cat "$out/wlinput.log")"
    waybar >"$out/waybar.log" 2>&1 &
    poll 150 host_registered || fail "waybar's tray did not register as a host: $(tail -n 5 "$out/waybar.log")"
    # sway gives the programs it starts the Xwayland display.
    swaymsg exec "echo \$DISPLAY >$work/xdisplay" >/dev/null
    poll 100 test -s "$work/xdisplay" || fail "sway did not say which display Xwayland has"
    export DISPLAY="$(cat "$work/xdisplay")"
    [ "$scenario" = sway_xwayland ] || export QT_QPA_PLATFORM=wayland
    edge=top bar=30 strip=${screen_w}x30+0+0
    sleep 1
}

shot() { grim "$1"; }
click() { echo "click $1 $2 ${3:-1}" >&7; }
escape() { echo "key escape" >&7; }
# Known gap: through Xwayland the popup's grab never takes while the pointer
# is over waybar, so a click on another window does not close the panel
# (Escape and the item do).
[ "$scenario" = sway_xwayland ] && no_click_elsewhere="the grab of an Xwayland popup opened from waybar"

# Through Xwayland a window of X11; natively one that sway floats: framed
# unless sway draws no border round it.
panel_shown() {
    [ "$scenario" = sway_wayland ] || { x_find_panel; return; }
    set -- $(swaymsg -t get_tree | python3 -c '
import json, sys
def walk(n):
    yield n
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        yield from walk(c)
for n in walk(json.load(sys.stdin)):
    if n.get("app_id") == "io.github.ostrel.Ostrel" and n.get("visible"):
        r = n["rect"]
        print(r["x"], r["y"], r["width"], r["height"], n["type"] != "floating_con" or n["border"] not in ("none", "csd"))')
    [ "$#" = 5 ] && px=$1 py=$2 pw=$3 ph=$4 framed=$(echo "$5" | sed 's/True/yes/; s/False/no/')
}
