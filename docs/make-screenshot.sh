#!/usr/bin/env bash
# Renders the README's pictures, docs/screenshot.png (light) and
# docs/screenshot-dark.png, with ostrel-snapshot from real data: a statistics
# file Claude Code wrote (tests/data/real/stats/v3-heavy.json) in a throwaway
# home, a realistic usage reply (docs/screenshot/usage-reply.json) and the
# clock pinned to the afternoon of the file's last day. They show the panel
# as GNOME sets it up (Cantarell 11) on a screen at a scale of 2.
#
#   docs/make-screenshot.sh [path/to/ostrel-snapshot] [extra snapshot options]
set -euo pipefail
cd "$(dirname "$0")/.."

snapshot=${1:-build/dev/src/snapshot/ostrel-snapshot}
shift || true

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/.claude"
cp tests/data/real/stats/v3-heavy.json "$home/.claude/stats-cache.json"

for theme in light dark; do
    out=docs/screenshot.png
    [ "$theme" = light ] || out=docs/screenshot-$theme.png
    HOME="$home" TZ=UTC LANG=en_US.UTF-8 LC_ALL= XDG_RUNTIME_DIR="$home" "$snapshot" \
        --usage docs/screenshot/usage-reply.json --now 2026-05-28T15:42:00.000Z \
        --font Cantarell --font-size 11 --scale 2 --theme "$theme" -o "$out" "$@"
done
