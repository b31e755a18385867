#!/bin/sh
# The real binary from a shell without any display.
#   cli.sh <ostrel> <version> <statistics fixture>
set -eu
. "$(dirname "$0")/../support/shell.sh"
app=$1
scratch_home "$3"
out=$work
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_SESSION_TYPE

# run <status> <stream> <pattern> <arguments...>: the status, a line on that
# stream matching the pattern in full (grep -x), and nothing on the other.
run() {
    want=$1 stream=$2 pattern=$3
    shift 3
    status=0
    timeout 10 "$app" "$@" >"$out/stdout" 2>"$out/stderr" </dev/null || status=$?
    [ "$status" = "$want" ] || fail "ostrel $*: status $status, not $want: $(cat "$out/stderr")"
    grep -qx -- "$pattern" "$out/$stream" || fail "ostrel $*: no line '$pattern' on $stream: $(cat "$out/$stream")"
    case $stream in stdout) other=stderr ;; *) other=stdout ;; esac
    [ ! -s "$out/$other" ] || fail "ostrel $*: unexpected $other: $(cat "$out/$other")"
}

run 0 stdout 'Usage: .*ostrel \[options\]' --help
run 0 stdout '  --status-line <format>.*' -h
run 0 stdout "Ostrel $2" --version
run 0 stdout "Ostrel $2" -platform xcb -v
run 2 stderr "ostrel: Unknown option 'nonsense'." --nonsense
run 2 stderr 'Usage: .*ostrel \[options\]' --nonsense
run 2 stderr "ostrel: unexpected argument 'waybar'" --status-line waybar waybar
run 2 stderr "ostrel: unknown status-line format 'json': use waybar, i3blocks, polybar or plain" --status-line=json
run 1 stderr 'ostrel: no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set).*--status-line.*'
[ "$(wc -l <"$out/stderr")" = 1 ] || fail "more than one line without a display: $(cat "$out/stderr")"

# No credentials in this home, so no request: the first line, then the reader
# closes while the status bar waits for news.
{
    status=0
    timeout 10 "$app" --status-line=waybar || status=$?
    echo "$status" >"$out/status"
} | head -n 1 >"$out/stdout"
grep -q '"class":"unavailable"' "$out/stdout" || fail "no first waybar line: $(cat "$out/stdout")"
[ "$(cat "$out/status")" = 0 ] || fail "the status-bar lines ended with $(cat "$out/status") when the reader closed"
echo PASS
