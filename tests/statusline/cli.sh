#!/bin/sh
# The real binary from a shell without any display: --help and --version
# answer and exit 0, a wrong option or argument gives the usage on standard
# error and status 2, the application itself one line and status 1, and the
# status-bar lines end with status 0 when their reader goes away.
#   cli.sh <ostrel> <version> <statistics fixture>
set -eu
. "$(dirname "$0")/../hosts/common.sh"
app=$1
make_home "$3"
out=$work
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_SESSION_TYPE

# run <status> <stdout pattern> <stderr pattern> <arguments...>: the status,
# and each stream matching its pattern in full (grep -x; empty: no output).
run() {
    want=$1 stdout=$2 stderr=$3
    shift 3
    status=0
    timeout 10 "$app" "$@" >"$out/stdout" 2>"$out/stderr" </dev/null || status=$?
    [ "$status" = "$want" ] || fail "ostrel $*: status $status, not $want: $(cat "$out/stderr")"
    for stream in stdout stderr; do
        eval "pattern=\$$stream"
        if [ -z "$pattern" ]; then
            [ ! -s "$out/$stream" ] || fail "ostrel $*: unexpected $stream: $(cat "$out/$stream")"
        else
            grep -qx -- "$pattern" "$out/$stream" || fail "ostrel $*: no line '$pattern' on $stream: $(cat "$out/$stream")"
        fi
    done
}

run 0 'Usage: .*ostrel \[options\]' '' --help
run 0 '  --status-line <format>.*' '' -h
run 0 "Ostrel $2" '' --version
run 0 "Ostrel $2" '' -platform xcb -v
run 2 '' "ostrel: Unknown option 'nonsense'." --nonsense
run 2 '' 'Usage: .*ostrel \[options\]' --nonsense
run 2 '' "ostrel: unexpected argument 'waybar'" --status-line waybar waybar
run 2 '' "ostrel: unknown status-line format 'json': use waybar, i3blocks, polybar or plain" --status-line=json
run 1 '' 'ostrel: no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set).*--status-line.*'
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
