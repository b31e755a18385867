# A light bar along the top whose right-end square is our icon: trayer
# (XEmbed: Qt's tray icon) or gtk-sni-tray with Debian's watcher (our
# StatusNotifierItem). Either starts two seconds after the application, which
# must still appear in it. On gtk-sni-tray a second launch opens the first
# one's panel and exits. In trayer the application runs under strace, which
# shows every file it reads or changes and whatever it writes or sends.
if [ "$scenario" = sni ]; then
    require Xvfb status-notifier-watcher gtk-sni-tray-standalone xdotool xwininfo import convert compare gdbus
    bar=30
else
    require Xvfb trayer xdotool xwininfo import convert compare strace
    bar=24 launcher=under_strace
fi
host_prepare() { start_xvfb; }
host_start() { edge=top; }

# Calls that create, change or remove files or metadata; writes and sends (for the token).
calls='/^(open|creat|mkdir|mknod|rename|unlink|rmdir|link|symlink|f?truncate|fallocate|[fl]?ch(mod|own)|f?utime'
calls="$calls|[fl]?(set|remove)xattr|p?write|send|bind|copy_file_range|splice)"
under_strace() { strace -f -qq -ttt -y -s 65536 -o "$out/strace.log" -e trace="$calls" -- "$@"; }

after_app() {
    sleep 2
    if [ "$scenario" != sni ]; then
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
        # It hands over to the first instance and ends; one that waits instead fails here, not at the test's timeout.
        status=0 launcher="timeout 20"
        ostrel >"$out/second-launch.log" 2>&1 || status=$?
        launcher=""
        [ "$status" = 0 ] || problem "a second launch ended with status $status (124: not within 20 s)"
        poll 100 panel_shown || problem "a second launch did not open the first one's panel"
        kill -0 "$app_pid" || fail "the first instance ended when the second started"
        escape
        poll 50 closed || fail "Escape did not close the panel"
        quit_by_menu
        return
    }
    # The usage timer fetches on; every fetch reads the credentials afresh.
    fetches() { awk '/^requests / { n = $2 } END { print n + 0 }' "$work/server/log"; }
    before=$(fetches)
    ticked() { [ "$(fetches)" -ge $((before + 2)) ]; }
    poll 150 ticked || problem "the usage timer did not fetch twice in 15 s"
    fetched=$(fetches)
    reads=$(grep -c 'openat(.*\.claude/\.credentials\.json"' "$out/strace.log")
    note "$reads credential reads for $fetched fetches"
    [ "$reads" -ge "$fetched" ] || problem "the credentials were read $reads times for $fetched fetches"
    # Replaced the way Claude Code does it: a temporary file renamed over it.
    replaced_at=$(date +%s.%N)
    cp "$HOME/.claude/stats-cache.json" "$HOME/.claude/stats-cache.json.0123456789abcdef.tmp"
    mv "$HOME/.claude/stats-cache.json.0123456789abcdef.tmp" "$HOME/.claude/stats-cache.json"
    reread() { awk -v t="$replaced_at" '$2 > t && /openat\(.*\/stats-cache\.json"/' "$out/strace.log" | grep -q .; }
    poll 100 reread || problem "the statistics file was not read again after it was replaced"
    # Qt's tray icon shows its own menu, a window of ours: Quit is its last entry.
    x_click "$item_x" "$item_y" 3
    menu_shown() { x_find_panel ostrel "*" && [ "$pw" != 340 ] && [ "$ph" -gt 50 ]; }
    poll 100 menu_shown || fail "no menu after a right click on the icon"
    xdotool key Up Return
    app_ended
    check_trace
}

# Any call that creates or changes a file, failed or not (on a user's machine
# the directory may well exist), on a path (named, else behind the descriptor:
# strace -y) outside /dev and /proc; writes need a file opened for writing
# first. Let through: at start-up Qt 6.4 runs mkdir(XDG_RUNTIME_DIR, 0700) and
# looks at EEXIST, which creates nothing.
check_trace() {
    awk -v qt="mkdir(\"$XDG_RUNTIME_DIR\", 0700) = -1 EEXIST" '
    { sub(/^[0-9]+ +[0-9.]+ /, "") }
    /^(<\.\.\. |--- |[+][+][+] )/ || index($0, qt) == 1 { next }
    /^(p?write|send[tm])/ { next }
    /^open(at2?)?\(/ && !/O_(WRONLY|RDWR|CREAT|TRUNC|APPEND)/ { next }
    /^bind\(/ && !/sun_path="/ { next }
    !/^(sendfile|copy_file_range|splice)\(/ {
        path = match($0, /"[^"]*"/) ? substr($0, RSTART + 1) : substr($0, index($0, "<") + 1)
        if (path ~ /^(\/dev\/|\/proc\/|\/memfd:|socket:|pipe:|anon_inode:)/) next
    }
    { print "  " substr($0, 1, 200); found++ }
    END { exit found > 0 }
    ' "$out/strace.log" >"$out/file-writes.log" || problem "the application created or changed files:
$(cat "$out/file-writes.log")"
    # Sent to the usage server, but only inside TLS.
    for log in "$out/ostrel.log" "$out/strace.log"; do
        ! grep -qF "$token" "$log" || problem "the token appears in the clear in $log"
    done
}
