#!/usr/bin/env bash
# What Ostrel costs while it polls, against a floor program built from the
# same Qt (QApplication + QSystemTrayIcon + one QNetworkAccessManager GET per
# cycle), both polling the same local HTTPS server. Prints, each measured in
# this run and as a ratio against its target:
#   - resident memory after 200 usage cycles           (target <= 1.3x floor)
#   - CPU instructions per usage cycle (callgrind; runs of N and 2N cycles,
#     the difference divided by N, so start-up cancels) (target <= 1.5x floor)
#   - TLS handshakes per 100 fetches                    (target: 1)
# The application side is the real OstrelApp: view model, usage client,
# status item and panel, with the endpoint, the CA and a short usage interval
# injected. It runs with the panel closed (the steady state) and open.
#
#   bench/footprint.sh [build dir]     # default build/release
#
# Needs xvfb, dbus, trayer and valgrind (scripts/install-deps.sh).
set -euo pipefail
[ -z "${FOOTPRINT_TRACE:-}" ] || set -x
cd "$(dirname "$0")/.."

if [ "${1:-}" != "--inside" ]; then
    build=${1:-build/release}
    for tool in xvfb-run dbus-run-session trayer valgrind; do
        command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps.sh" >&2; exit 1; }
    done
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    cmake --build "$build" --target usage_server bench_footprint_floor bench_footprint_app >/dev/null
    exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" dbus-run-session -- "$0" --inside "$build"
fi
build=$2

rss_cycles=200
cg_cycles=20        # and twice as many
fast_ms=20          # the usage interval for the memory and handshake runs
cg_ms=1000          # slow enough that no fetch overlaps the next under callgrind

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

export QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=1 XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$work/runtime"
mkdir -p "$work/home/.claude"
cp tests/data/real/stats/v3-heavy.json "$work/home/.claude/stats-cache.json"
# A sign-in that has not expired: an expired one sends no request at all.
printf '{"claudeAiOauth":{"accessToken":"sk-ant-oat01-footprint","expiresAt":%s000}}' $(($(date +%s) + 86400)) \
    >"$work/home/.claude/.credentials.json"

trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    --transparent false --tint 0xdddddd >"$work/trayer.log" 2>&1 &
pids+=($!)
sleep 1

server_pid=""
server_log=""
# A fresh server for every run, so its counts are that run's alone.
start_server() {
    local dir=$work/server.$1
    mkdir -p "$dir"
    server_log=$dir/log
    "$build/tests/fakes/usage_server" "$dir" >"$server_log" 2>&1 &
    server_pid=$!
    pids+=("$server_pid")
    for _ in $(seq 1 100); do
        grep -q '^url ' "$server_log" 2>/dev/null && break
        sleep 0.1
    done
    url=$(awk '/^url / { print $2 }' "$server_log")
    ca=$dir/ca.pem
    [ -n "$url" ] || { echo "server did not start: $(cat "$server_log")" >&2; exit 1; }
}
stop_server() { kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; }
last_counts() { grep '^requests ' "$server_log" | tail -n 1; }

# run <name> <cycles> <interval> <valgrind?> <program and its extra arguments...>
run() {
    local name=$1 cycles=$2 interval=$3 grind=$4
    shift 4
    local program=$1
    shift
    start_server "$name"
    local prefix=()
    if [ "$grind" = yes ]; then
        prefix=(valgrind --tool=callgrind --callgrind-out-file="$work/$name.cg" --dump-instr=no)
    fi
    "${prefix[@]}" "$program" "$url" "$ca" "$cycles" "$interval" "$@" >"$work/$name.out" 2>"$work/$name.err" \
        || { echo "$name failed:" >&2; tail -n 20 "$work/$name.err" >&2; exit 1; }
    stop_server
}
rss_of() { awk '/^rss_kib / { print $2 }' "$work/$1.out"; }
instructions_of() { awk '/^summary:/ { print $2 }' "$work/$1.cg"; }
handshakes_of() { awk '{ print $6 }' <<<"$1"; }
requests_of() { awk '{ print $2 }' <<<"$1"; }

app=$build/bench/bench_footprint_app
floor=$build/bench/bench_footprint_floor
home=$work/home

declare -A rss requests handshakes per_cycle slow_counts
for side in floor closed open; do
    case $side in
    floor) cmd=("$floor") ;;
    *) cmd=("$app" "$home" "$side") ;;
    esac
    run "$side-rss" "$rss_cycles" "$fast_ms" no "${cmd[@]}"
    rss[$side]=$(rss_of "$side-rss")
    counts=$(last_counts)
    requests[$side]=$(requests_of "$counts")
    handshakes[$side]=$(handshakes_of "$counts")
    # A TLS handshake costs as much as dozens of polls: the two runs compare
    # only when they made as many, so run the pair again (a few times at
    # most) when a reconnection fell into one of them.
    for try in 1 2 3 4; do
        run "$side-n" "$cg_cycles" "$cg_ms" yes "${cmd[@]}"
        n_handshakes=$(handshakes_of "$(last_counts)")
        run "$side-2n" $((2 * cg_cycles)) "$cg_ms" yes "${cmd[@]}"
        [ "$(handshakes_of "$(last_counts)")" != "$n_handshakes" ] || break
    done
    slow_counts[$side]=$(last_counts)
    n=$(instructions_of "$side-n")
    n2=$(instructions_of "$side-2n")
    per_cycle[$side]=$(((n2 - n) / cg_cycles))
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v r="$1" -v t="$2" 'BEGIN { print (r <= t ? "meets" : "MISSES") }'; }

echo "Footprint after $rss_cycles usage cycles at ${fast_ms} ms; instructions from callgrind, runs of" \
    "$cg_cycles and $((2 * cg_cycles)) cycles at ${cg_ms} ms"
printf '%-22s %12s %14s %20s\n' "" "RSS (KiB)" "instr/cycle" "handshakes/100 fetches"
for side in floor closed open; do
    case $side in
    floor) label="floor" ;;
    closed) label="ostrel, panel closed" ;;
    open) label="ostrel, panel open" ;;
    esac
    per100=$(awk -v h="${handshakes[$side]}" -v r="${requests[$side]}" 'BEGIN { printf "%.2f", 100 * h / r }')
    printf '%-22s %12s %14s %20s   (%s fetches, %s handshakes)\n' "$label" "${rss[$side]}" "${per_cycle[$side]}" \
        "$per100" "${requests[$side]}" "${handshakes[$side]}"
done
echo "At ${cg_ms} ms (the longer callgrind runs):"
for side in floor closed open; do
    echo "  $side: $(requests_of "${slow_counts[$side]}") fetches, $(handshakes_of "${slow_counts[$side]}") handshakes"
done
for side in closed open; do
    m=$(ratio "${rss[$side]}" "${rss[floor]}")
    c=$(ratio "${per_cycle[$side]}" "${per_cycle[floor]}")
    h=$(awk -v h="${handshakes[$side]}" -v r="${requests[$side]}" 'BEGIN { printf "%.2f", 100 * h / r }')
    echo "panel $side: memory ${m}x floor (target <= 1.3: $(verdict "$m" 1.3)); instructions ${c}x floor" \
        "(target <= 1.5: $(verdict "$c" 1.5)); handshakes ${h} per 100 fetches (target <= 1: $(verdict "$h" 1))"
done
