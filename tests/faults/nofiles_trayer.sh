#!/bin/sh
# The real application, docked in trayer's tray and refreshing (panel opened,
# two usage ticks, one replacement of the statistics file, then Quit), runs
# under strace. It fails when the process or any of its threads
#   - creates, writes, renames, removes, truncates or re-stamps a file, or
#     binds a socket to a path (even an attempt that failed here: on a user's
#     machine the directory may well exist);
#   - writes its login token anywhere: standard output, standard error, or
#     any buffer handed to a write or send call.
# It runs in a fresh network namespace with only a loopback device, so no
# request can leave the machine, and checks from the trace that the refreshes
# really happened (credentials read on every fetch, statistics re-read after
# the replacement).
#
#   nofiles_trayer.sh <ostrel binary> <artefact dir> <statistics fixture>
#
# Exits 77 (skipped) when a tool is missing or network namespaces are not
# available here.
set -eu

if [ "${1:-}" = "--inside" ]; then
    shift
    inside=1
else
    inside=0
fi

bin=$1
out=$2
fixture=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if [ "$inside" = 0 ]; then
    for tool in xvfb-run xauth dbus-run-session trayer xdotool xwininfo strace unshare; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
            exit 77
        fi
    done
    # Root gets a plain network namespace; anyone else needs a user namespace too.
    if unshare -n true 2>/dev/null; then
        netns="unshare -n"
    elif unshare -rn true 2>/dev/null; then
        netns="unshare -rn"
    else
        echo "SKIP: cannot create a network namespace here (unshare -n and unshare -rn both refused)"
        exit 77
    fi
    mkdir -p "$out"
    rm -f "$out"/*.log "$out"/ostrel.out "$out"/ostrel.err
    # Everything below, X server and bus included, sees only a loopback device.
    # Display numbers from 420 up: the other X tests take theirs from 99, and
    # two servers sharing a number across namespaces refuse each other's clients.
    exec $netns -- xvfb-run -a -n 420 -e "$out/xvfb.log" -s "-screen 0 1280x800x24 -nolisten tcp" \
        dbus-run-session -- sh "$0" --inside "$bin" "$out" "$fixture"
fi

out=$(cd "$out" && pwd)
work=$(mktemp -d)
pids=""
cleanup() {
    for pid in $pids; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# Nothing but loopback (and that one down): the namespace really is empty.
# (/proc/net follows the namespace; /sys/class/net would show the host's.)
devices=$(awk -F: 'NR > 2 { gsub(/ /, "", $1); print $1 }' /proc/net/dev | tr '\n' ' ')
[ "$devices" = "lo " ] || fail "network devices besides loopback: $devices"


home="$work/home"
mkdir -p "$home/.claude"
cp "$fixture" "$home/.claude/stats-cache.json"
token="sk-ant-oat01-NoFilesCheck-$(date +%s)-$$-FakeTokenNeverSentAnywhere"
printf '{"claudeAiOauth":{"accessToken":"%s","refreshToken":"sk-ant-ort01-fake","expiresAt":1749048287208,"scopes":["user:inference","user:profile"],"subscriptionType":"pro"}}' \
    "$token" >"$home/.claude/.credentials.json"
chmod 600 "$home/.claude/.credentials.json"
mkdir -m 700 "$work/runtime"

trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    --transparent false --tint 0xdddddd >"$out/trayer.log" 2>&1 &
pids="$pids $!"
sleep 1

trace="$out/strace.log"
# Every call that can create, change or remove a file or its metadata, plus
# writes and sends (their buffers, for the token) and connects (for the log).
calls=open,openat,openat2,creat,mkdir,mkdirat,mknod,mknodat,rename,renameat,renameat2
calls=$calls,unlink,unlinkat,rmdir,link,linkat,symlink,symlinkat,truncate,ftruncate,fallocate
calls=$calls,chmod,fchmod,fchmodat,chown,fchown,fchownat,lchown,utime,utimes,utimensat,futimesat
calls=$calls,setxattr,lsetxattr,fsetxattr,removexattr,lremovexattr,fremovexattr
calls=$calls,bind,connect,write,writev,pwrite64,pwritev,pwritev2,sendto,sendmsg,sendmmsg
calls=$calls,copy_file_range,sendfile,splice
# LeakSanitizer cannot run under ptrace; the other tests look for leaks.
HOME="$home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=1 \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" \
    strace -f -qq -ttt -y -s 65536 -o "$trace" -e trace="$calls" -- "$bin" \
    >"$out/ostrel.out" 2>"$out/ostrel.err" &
tracer=$!
pids="$pids $tracer"

app=""
for _ in $(seq 1 50); do
    app=$(ps -o pid= --ppid "$tracer" 2>/dev/null | tr -d ' ' | head -n 1)
    [ -n "$app" ] && break
    sleep 0.1
done
[ -n "$app" ] || fail "ostrel did not start under strace: $(cat "$out/ostrel.err")"
pids="$app $pids"

icon=""
for _ in $(seq 1 150); do
    kill -0 "$app" 2>/dev/null || fail "ostrel exited early: $(cat "$out/ostrel.err")"
    icon=$(xdotool search --onlyvisible --class '^ostrel$' 2>/dev/null | head -n 1 || true)
    [ -n "$icon" ] && break
    sleep 0.2
done
[ -n "$icon" ] || fail "no tray icon appeared"
eval "$(xdotool getwindowgeometry --shell "$icon")"
x=$((X + WIDTH / 2))
y=$((Y + HEIGHT / 2))

# Opening the panel starts the refreshing.
xdotool mousemove "$x" "$y" click 1
panel=""
for _ in $(seq 1 100); do
    for window in $(xdotool search --onlyvisible --class '^ostrel$' 2>/dev/null || true); do
        [ "$window" = "$icon" ] && continue
        width=$(xwininfo -id "$window" | awk '/^ *Width:/ { print $2 }')
        if [ "$width" = 340 ]; then
            panel=$window
            break
        fi
    done
    [ -n "$panel" ] && break
    sleep 0.2
done
[ -n "$panel" ] || fail "no panel after the click"
echo "panel open; waiting 12 s for two usage ticks"
sleep 12

# Replaced the way Claude Code does it: a temporary file renamed over it.
replaced_at=$(date +%s.%N)
cp "$fixture" "$home/.claude/stats-cache.json.0123456789abcdef.tmp"
mv "$home/.claude/stats-cache.json.0123456789abcdef.tmp" "$home/.claude/stats-cache.json"
sleep 3

# Quit the way a user does: close the panel, then Quit from the item's menu.
xdotool key Escape
sleep 0.5
xdotool mousemove "$x" "$y" click 3
sleep 1
xdotool key Up Return
quit=0
for _ in $(seq 1 50); do
    if ! kill -0 "$app" 2>/dev/null; then
        quit=1
        break
    fi
    sleep 0.2
done
if [ "$quit" = 0 ]; then
    echo "note: Quit from the menu did not end ostrel; terminating it"
    kill "$app" 2>/dev/null || true
fi
wait "$tracer" 2>/dev/null || true

[ -s "$trace" ] || fail "strace wrote nothing"
if grep -q '+++ killed by' "$trace"; then
    grep -E -e '--- SIG|[+]{3} killed' "$trace" | tail -n 5 >&2
    fail "ostrel died of a signal: $(tail -n 5 "$out/ostrel.err")"
fi
echo "trace: $(wc -l <"$trace") calls logged, $(wc -c <"$trace") bytes"

# The refreshes happened: every fetch reads the credentials afresh, and the
# statistics file was read again after it was replaced.
credential_reads=$(grep -c 'openat(.*\.claude/\.credentials\.json"' "$trace" || true)
rereads=$(awk -v t="$replaced_at" '$2 > t && /openat\(.*\.claude\/stats-cache\.json"/' "$trace" | wc -l)
echo "credential file opened $credential_reads times; statistics file opened $rereads times after the replacement"
[ "$credential_reads" -ge 4 ] || fail "only $credential_reads credential reads: the usage timer did not tick twice"
[ "$rereads" -ge 1 ] || fail "the statistics file was not read again after it was replaced"

# Where the application tried to connect: nothing may succeed beyond loopback.
echo "connection attempts:"
grep -E ' connect\(' "$trace" | sed -E 's/^[0-9]+ [0-9.]+ //' | grep -oE 'sa_family=AF_INET6?, [^}]*\}[^=]*= -?[0-9]+ ?[A-Z]*' \
    | sort | uniq -c || echo "  none over IP"

# Files created or changed: any matching call, successful or not, outside
# /dev and /proc. The fd paths come from strace -y.
# One call is Qt's, not ours: QGuiApplication's start-up asks QStandardPaths
# for the runtime directory, and Qt 6.4 answers with mkdir(XDG_RUNTIME_DIR,
# 0700) and looks at EEXIST. With the directory there (every systemd session
# has one) nothing is created, so exactly that failing call is let through.
awk -v out1="$out/ostrel.out" -v out2="$out/ostrel.err" -v runtime="$work/runtime" '
function allowed(path) {
    return path ~ /^\/dev\// || path ~ /^\/proc\// || path ~ /^\/memfd:/ || path ~ /^(socket|pipe|anon_inode):/ \
        || path == out1 || path == out2
}
function report(what) { print "  " what; found++ }
{
    line = $0
    sub(/^[0-9]+ [0-9.]+ /, "", line)
    if (line ~ /^<\.\.\. / || line ~ /^(---|[+][+][+]) /) next   # resumed halves, signals, exits
    name = line
    sub(/\(.*/, "", name)
    if (name ~ /^(open|openat|openat2|creat)$/) {
        if (name != "creat" && line !~ /O_(WRONLY|RDWR|CREAT|TRUNC|APPEND)/) next
        if (match(line, /"[^"]*"/) && allowed(substr(line, RSTART + 1, RLENGTH - 2))) next
        report(line)
    } else if (name ~ /^(write|writev|pwrite64|pwritev|pwritev2|ftruncate|fallocate|fchmod|fchown|fsetxattr|fremovexattr|sendfile|copy_file_range|splice)$/) {
        if (name == "sendfile" || name == "copy_file_range" || name == "splice") { report(line); next }
        if (match(line, /\(-?[0-9]+<[^>]*>/)) {
            path = substr(line, RSTART, RLENGTH)
            sub(/^\(-?[0-9]+</, "", path); sub(/>$/, "", path)
            if (allowed(path)) next
        }
        report(substr(line, 1, 200))
    } else if (name == "bind") {
        if (line ~ /sun_path="/) report(line)
    } else if (name == "utimensat" && line ~ /^utimensat\([0-9]+<(socket|pipe|anon_inode):/) {
        next
    } else if (name == "mkdir" && index(line, "mkdir(\"" runtime "\", 0700) = -1 EEXIST") == 1) {
        next
    } else if (name !~ /^(connect|sendto|sendmsg|sendmmsg)$/) {
        if (match(line, /"[^"]*"/) && allowed(substr(line, RSTART + 1, RLENGTH - 2))) next
        report(line)
    }
}
END { exit found > 0 }
' "$trace" >"$out/file-writes.log" || {
    cat "$out/file-writes.log" >&2
    fail "ostrel created or changed files (see above, full trace in $trace)"
}

# The token: never printed, never in any buffer written or sent in the clear.
for log in "$out/ostrel.out" "$out/ostrel.err" "$trace"; do
    if grep -qF "$token" "$log"; then
        grep -nF "$token" "$log" | cut -c1-300 >&2
        fail "the token appears in $log"
    fi
done
echo "standard output $(wc -c <"$out/ostrel.out") bytes, standard error $(wc -c <"$out/ostrel.err") bytes:"
sed 's/^/  | /' "$out/ostrel.err" | head -n 20

echo "PASS: no file created or written, token never written in the clear ($credential_reads fetches, $rereads re-reads)"
