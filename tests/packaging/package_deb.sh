#!/bin/sh
# Builds the Debian package from a build tree and checks it without installing it.
#   package_deb.sh <build dir> <project version> <application id>
set -eu
app_id=$3
sides="16 22 24 32 48 64 128 256"
. "$(dirname "$0")/../support/shell.sh"
require cpack dpkg-deb desktop-file-validate appstreamcli identify Xvfb dbus-run-session man
scratch_home

# Staged below -B: concurrent runs on one build tree each have their own.
cpack -G DEB --config "$1/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 \
    || fail "cpack failed: $(cat "$work/cpack.log")"
deb=$work/cpack/ostrel_${2}_$(dpkg --print-architecture).deb
root=$work/root
dpkg-deb -x "$deb" "$root"

# Computed by dpkg-shlibdeps: one versioned entry per linked library package.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6gui6 libqt6core6 libcurl4 libstdc++6 libc6; do
    echo ", $depends" | grep -Fq ", $library (>= " || fail "Depends lacks a versioned $library: $depends"
done

{
    printf '%s\n' usr/bin/ostrel usr/share/doc/ostrel/copyright "etc/xdg/autostart/$app_id.desktop" \
        "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
        "usr/share/icons/hicolor/scalable/apps/$app_id.svg" usr/share/man/man1/ostrel.1.gz
    for side in $sides; do
        echo "usr/share/icons/hicolor/${side}x$side/apps/$app_id.png"
    done
} | LC_ALL=C sort >"$work/expected"
(cd "$root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort) >"$work/actual"
diff -u "$work/expected" "$work/actual" >&2 || fail "the package's files differ from the list above"

# No errors, warnings or hints (the autostart entry is the same file). The
# tree as a whole also checks that the metainfo's launchable is there.
result=$(desktop-file-validate "$root/usr/share/applications/$app_id.desktop" 2>&1) && [ -z "$result" ] \
    || fail "desktop-file-validate: $result"
for check in "validate $root/usr/share/metainfo/$app_id.metainfo.xml" "validate-tree $root"; do
    result=$(appstreamcli $check --no-net 2>&1) || fail "appstreamcli $check: $result"
    ! echo "$result" | grep -Eq '^ *[EWI]: ' || fail "appstreamcli $check: $result"
done

# The manual page formats without a warning and documents the options.
manual=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/ostrel.1.gz" 2>"$work/man.log") \
    && [ ! -s "$work/man.log" ] || fail "man ostrel: $(cat "$work/man.log")"
for option in --help --version --status-line=format waybar i3blocks polybar 'EXIT STATUS'; do
    echo "$manual" | grep -Fq -- "$option" || fail "the manual page lacks $option"
done

for side in $sides; do
    got=$(identify -format '%m %wx%h' "$root/usr/share/icons/hicolor/${side}x$side/apps/$app_id.png")
    [ "$got" = "PNG ${side}x$side" ] || fail "the ${side}x$side icon is $got"
done

# The packaged binary starts in an empty home on a private session bus, and
# is still running three seconds later (timeout's 124).
start_xvfb
status=0
QT_QPA_PLATFORM=xcb dbus-run-session -- timeout 3 "$root/usr/bin/ostrel" >"$work/ostrel.log" 2>&1 || status=$?
[ "$status" = 124 ] || fail "the packaged binary ended with status $status within 3 s: $(cat "$work/ostrel.log")"
[ -z "$(ls -A "$work/home")" ] || fail "the application wrote into HOME: $(ls -A "$work/home")"
echo "PASS: $(basename "$deb")"
