#!/bin/sh
# The status item against Debian's real status-notifier-watcher, on the
# private bus of dbus-run-session: the item starts first, the watcher a
# second later with a host faked through gdbus, as after an autostarted
# login; the watcher must list the item, and list it again after it
# restarts.
#
#   sni_real_watcher.sh <sni_demo_item> <status-notifier-watcher>
set -u
demo=$1
watcher_bin=$2
label='42% · 2 hr 5 min'

tmp=$(mktemp -d)
pids=""
cleanup() {
    for pid in $pids; do
        kill "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}

gcall() {
    gdbus call --session --timeout 5 "$@"
}

watcher_property() {
    gcall -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher "$1"
}

watcher_owned() {
    gcall -d org.freedesktop.DBus -o /org/freedesktop/DBus -m org.freedesktop.DBus.NameHasOwner \
        org.kde.StatusNotifierWatcher | grep -q true
}

# poll <tenths of a second> <command...>
poll() {
    tries=$1
    shift
    while [ "$tries" -gt 0 ]; do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}

start_watcher() {
    "$watcher_bin" >"$tmp/watcher.log" 2>&1 &
    watcher_pid=$!
    pids="$pids $watcher_pid"
    poll 100 watcher_property IsStatusNotifierHostRegistered || fail "the watcher did not come up"
    # The watcher accepts a host under its own name.
    gcall -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.kde.StatusNotifierWatcher.RegisterStatusNotifierHost org.kde.StatusNotifierWatcher >/dev/null \
        || fail "could not register the fake host"
    watcher_property IsStatusNotifierHostRegistered | grep -q true || fail "the watcher reports no host"
}

listed() {
    watcher_property RegisteredStatusNotifierItems | grep -q "'$name'"
}

"$demo" "$label" 90 >"$tmp/name" &
demo_pid=$!
pids="$pids $demo_pid"
poll 100 test -s "$tmp/name" || fail "the item did not start"
name=$(cat "$tmp/name")
[ "$name" = "org.kde.StatusNotifierItem-$demo_pid-1" ] || fail "unexpected bus name $name"
sleep 1 # the item's own first attempt finds no watcher

start_watcher
poll 100 listed || fail "a watcher started after the item does not list it: $(watcher_property RegisteredStatusNotifierItems)"
echo "ok: listed by a watcher started after the item"

read_back=$(gcall -d "$name" -o /StatusNotifierItem -m org.freedesktop.DBus.Properties.Get \
    org.kde.StatusNotifierItem XAyatanaLabel)
[ "$read_back" = "(<'$label'>,)" ] || fail "the label reads back as $read_back"
echo "ok: label read back through gdbus"

kill "$watcher_pid"
wait "$watcher_pid" 2>/dev/null
i=0
while watcher_owned && [ $i -lt 50 ]; do
    sleep 0.1
    i=$((i + 1))
done
watcher_owned && fail "the watcher's name outlived it"

start_watcher
poll 100 listed || fail "a restarted watcher does not list the item: $(watcher_property RegisteredStatusNotifierItems)"
echo "ok: listed again after the watcher restarted"
