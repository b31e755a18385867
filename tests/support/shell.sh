# Sourced by the scripts that run the real application: failing, waiting,
# an X server and a scratch home.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# poll <tenths of a second> <command...>: until the command succeeds, for at
# most that long by the clock (on a loaded machine one try can take seconds).
poll() {
    deadline=$(($(date +%s%N) / 100000000 + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ $(($(date +%s%N) / 100000000)) -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

require() {
    for tool; do
        command -v "$tool" >/dev/null || fail "no $tool: scripts/install-deps.sh installs it"
    done
}

# scratch_home [statistics file]: `work`, a scratch folder removed on exit
# (with the processes listed in `pids`), with a runtime directory and a home,
# empty or holding the file as Claude Code's statistics.
scratch_home() {
    work=$(mktemp -d)
    chmod 755 "$work"
    pids=""
    trap 'kill $pids 2>/dev/null || true; rm -rf "$work"' EXIT
    trap 'exit 1' INT TERM
    mkdir -m 700 "$work/runtime"
    mkdir -p "$work/home${1:+/.claude}"
    [ -z "${1:-}" ] || cp "$1" "$work/home/.claude/stats-cache.json"
    unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME CLAUDE_CONFIG_DIR
    export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" NO_AT_BRIDGE=1
}

# start_xvfb [WxH]: a fresh X server on a display it picks itself.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 "${1:-1280x800}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    pids="$pids $!"
    poll 100 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=":$(cat "$work/display")"
}
