#!/bin/sh
# The real application in trayer's tray, refreshing (panel opened, two usage
# ticks, the statistics file replaced, then Quit), under strace in a network
# namespace with only a loopback device. It fails when any of its threads
# creates, changes or removes a file or binds a socket to a path (even in an
# attempt that failed: on a user's machine the directory may well exist), or
# writes its login token anywhere, or when the trace shows no refreshes.
#   nofiles_trayer.sh <ostrel binary> <artefact dir> <statistics fixture>
set -eu
. "$(dirname "$0")/../hosts/common.sh"
bin=$1 out=$2 fixture=$3
if [ "${4:-}" != --inside ]; then
    require Xvfb dbus-run-session trayer xdotool xwininfo import convert strace unshare
    mkdir -p "$out"
    # Root gets a plain network namespace; anyone else needs a user namespace too.
    netns="unshare -n"
    $netns true 2>/dev/null || netns="unshare -rn"
    exec $netns -- dbus-run-session -- sh "$0" "$@" --inside
fi
# (/proc/net follows the namespace; /sys/class/net would show the host's.)
devices=$(awk -F: 'NR > 2 { gsub(/ /, "", $1); print $1 }' /proc/net/dev | tr '\n' ' ')
[ "$devices" = "lo " ] || fail "network devices besides loopback: $devices"

make_home "$fixture"
token="sk-ant-oat01-NoFilesCheck-$(date +%s)-$$-FakeTokenNeverSentAnywhere"
printf '{"claudeAiOauth":{"accessToken":"%s"}}' "$token" >"$HOME/.claude/.credentials.json"
start_xvfb
trayer --edge top --align right --widthtype request --height 24 --SetDockType true >"$out/trayer.log" 2>&1 &
pids="$pids $!"
sleep 1

# Calls that create, change or remove files or metadata; writes and sends (for the token).
calls='/^(open|creat|mkdir|mknod|rename|unlink|rmdir|link|symlink|f?truncate|fallocate|[fl]?ch(mod|own)|f?utime'
calls="$calls|[fl]?(set|remove)xattr|p?write|send|bind|copy_file_range|splice)"
trace="$out/strace.log"
# LeakSanitizer cannot run under ptrace; the other tests look for leaks.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" QT_QPA_PLATFORM=xcb
strace -f -qq -ttt -y -s 65536 -o "$trace" -e trace="$calls" -- "$bin" >"$out/ostrel.out" 2>"$out/ostrel.err" &
app_pid=$!
pids="$pids $app_pid"
icon() {
    import -window root -crop 24x24+1256+0 +repage "$work/icon.png"
    [ "$(convert "$work/icon.png" -format %k info:)" -ge 4 ]
}
poll 150 icon || fail "no tray icon appeared: $(cat "$out/ostrel.err")"
x_click 1268 12
poll 100 x_find_panel || fail "no panel after the click"
sleep 12 # two usage ticks
# Replaced the way Claude Code does it: a temporary file renamed over it.
replaced_at=$(date +%s.%N)
cp "$fixture" "$HOME/.claude/stats-cache.json.0123456789abcdef.tmp"
mv "$HOME/.claude/stats-cache.json.0123456789abcdef.tmp" "$HOME/.claude/stats-cache.json"
sleep 3
# Quit, the last entry of the icon's menu (the panel first: while it is open
# a click elsewhere only closes it).
xdotool key Escape
poll 50 sh -c "! xwininfo -id $panel | grep -q IsViewable" || fail "Escape left the panel open"
x_click 1268 12 3
sleep 1
xdotool key Up Return
# strace ends as the application did: a crash shows as a failing status.
app_ended

# Every fetch reads the credentials afresh; the replaced file is read again.
credential_reads=$(grep -c 'openat(.*\.claude/\.credentials\.json"' "$trace" || true)
rereads=$(awk -v t="$replaced_at" '$2 > t && /openat\(.*\.claude\/stats-cache\.json"/' "$trace" | wc -l)
echo "credentials read $credential_reads times; statistics read $rereads times after the replacement"
[ "$credential_reads" -ge 4 ] || fail "only $credential_reads credential reads: the usage timer did not tick twice"
[ "$rereads" -ge 1 ] || fail "the statistics file was not read again after it was replaced"

# Files created or changed: any such call, failed or not, on a path (named,
# else behind the descriptor: strace -y) outside /dev and /proc; writes need
# a file opened for writing first. One failing call is Qt's, let through: at
# start-up Qt 6.4 runs mkdir(XDG_RUNTIME_DIR, 0700) and looks at EEXIST; the
# directory is there, as in every systemd session, so nothing is created.
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
' "$trace" >"$out/file-writes.log" || fail "ostrel created or changed files: $(cat "$out/file-writes.log")"

# The token: never printed, never in any buffer written or sent in the clear.
for log in "$out/ostrel.out" "$out/ostrel.err" "$trace"; do
    ! grep -qF "$token" "$log" || fail "the token appears in $log"
done
echo "PASS: no file created or written, the token never written"
