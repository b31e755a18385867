#!/bin/sh
# Cuts the host table's pictures (docs/hosts/<host>.png) out of the
# real-host tests' screenshots: each host's bar with the item showing the
# figures, and the panel opened from it, at 1x.
#   tests/hosts/docs_shots.sh <build dir>
set -eu
build=$1
docs="$(cd "$(dirname "$0")/../.." && pwd)/docs/hosts"
mkdir -p "$docs"
cut() {
    shot="$build/tests/hosts/$1"
    [ -f "$shot" ] || { echo "no $shot: run the host tests first" >&2; exit 1; }
    convert "$shot" -crop "$2" +repage -strip -colors 256 -define png:compression-level=9 "$docs/$3.png"
    echo "$docs/$3.png: $(identify -format '%wx%h' "$docs/$3.png"), $(stat -c %s "$docs/$3.png") bytes"
}
cut host_xfce/3-figures.png 420x300+860+0 xfce
cut host_plasma/2-panel-open.png 420x300+860+500 plasma
cut host_sway_xwayland/3-figures.png 420x300+860+0 sway
cut host_gnome_xwayland/3-figures.png 420x300+860+0 gnome
