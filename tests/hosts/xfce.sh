# xfce4-panel 4.18's Status Tray in a bar along the top, with xfwm4 (X11).
# It does not draw the label: the icon carries the figure.
require Xvfb xfwm4 xfce4-panel xdotool xwininfo xprop import convert gdbus
host_prepare() { start_xvfb; }

host_start() {
    # One bar: a stretching separator, then the tray.
    conf=$HOME/.config/xfce4/xfconf/xfce-perchannel-xml
    mkdir -p "$conf"
    cat >"$conf/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array"><value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=640;y=16"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="length" type="uint" value="100"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/><value type="int" value="2"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="separator"><property name="expand" type="bool" value="true"/>
      <property name="style" type="uint" value="0"/></property>
    <property name="plugin-2" type="string" value="systray"/>
  </property>
</channel>
XML
    xfwm4 --compositor=off >"$out/xfwm4.log" 2>&1 &
    poll 100 x_wm_up || fail "xfwm4 did not start"
    xfce4-panel >"$out/xfce4-panel.log" 2>&1 &
    poll 150 host_registered || fail "xfce4-panel's tray did not register as a host: $(tail -n 5 "$out/xfce4-panel.log")"
    top_strut() { x_workarea && [ "$wa_y" -gt 0 ]; }
    poll 100 top_strut || fail "xfce4-panel reserved no room at the top: $(xprop -root _NET_WORKAREA)"
    edge=top bar=$wa_y strip=${screen_w}x$wa_y+0+0
    sleep 1
}
