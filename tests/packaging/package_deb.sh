#!/bin/sh
# Builds the Debian package from a build tree and checks it without installing
# it: the exact file list, the control fields and computed dependencies, that
# those resolve on a system with nothing installed, the desktop entry and
# AppStream validators, the icon sizes, a plain `cmake --install` into another
# prefix, and that the packaged binary starts and writes nothing into HOME.
#
#   package_deb.sh <build dir> <project version>
#
# Exits 77 (skipped) when a packaging or X tool is not installed.
set -eu

if [ "${1:-}" = "--inside" ]; then
    # Inside a private session bus: start the unpacked binary with an empty
    # home for three seconds.
    bin=$2
    home=$3
    log=$4
    mkdir -m 700 "$home/../runtime"
    env -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME \
        HOME="$home" XDG_RUNTIME_DIR="$home/../runtime" QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=1 \
        "$bin" >"$log" 2>&1 &
    app=$!
    sleep 3
    if ! kill -0 "$app" 2>/dev/null; then
        status=0
        wait "$app" || status=$?
        echo "FAIL: the packaged binary exited with status $status within 3 s:" >&2
        cat "$log" >&2
        exit 1
    fi
    kill "$app"
    wait "$app" 2>/dev/null || true
    exit 0
fi

build=$1
version=$2
app_id=io.github.ostrel.Ostrel
sides="16 22 24 32 48 64 128 256"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for tool in cpack cmake dpkg-deb dpkg-shlibdeps file apt-get desktop-file-validate appstreamcli identify \
    Xvfb dbus-run-session; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ostrel-package.XXXXXX")
xvfb=""
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# --- build: cpack's staging directory goes below -B, so concurrent runs on
# the same build tree each have their own.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
arch=$(dpkg --print-architecture)
deb=$work/cpack/ostrel_${version}_${arch}.deb
[ -f "$deb" ] || fail "no $deb; cpack wrote: $(ls "$work/cpack")"
echo "built $(basename "$deb") ($(wc -c <"$deb") bytes)"

# --- control fields
field() {
    dpkg-deb -f "$deb" "$1"
}
[ "$(field Package)" = ostrel ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project's is $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[ "$(field Maintainer)" = "The Ostrel developers <ostrel@users.noreply.github.com>" ] \
    || fail "Maintainer is '$(field Maintainer)'"
field Description | head -n 1 | grep -q 'status area' || fail "Description: $(field Description | head -n 1)"

# Computed by dpkg-shlibdeps: one versioned entry per linked library package.
depends=$(field Depends)
echo "Depends: $depends"
for library in libqt6widgets6 libqt6gui6 libqt6network6 libqt6core6 libstdc++6 libc6; do
    echo ", $depends" | grep -Fq ", $library (>= " || fail "Depends lacks a versioned $library"
done
echo "$depends" | grep -Eq 'libasan|libubsan' && fail "Depends names a sanitizer runtime"

dpkg-deb -e "$deb" "$work/control"
[ "$(cat "$work/control/conffiles")" = "/etc/xdg/autostart/$app_id.desktop" ] \
    || fail "conffiles: $(cat "$work/control/conffiles")"
for script in preinst postinst prerm postrm; do
    [ -e "$work/control/$script" ] && fail "unexpected maintainer script $script"
done

# --- the dependencies resolve from the archive alone: apt plans the install
# against an empty status file, as on a system with nothing installed, and
# without writing its caches or taking the dpkg lock.
: >"$work/empty-status"
if ! apt-get -s --no-install-recommends \
    -o Dir::State::status="$work/empty-status" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= \
    -o Debug::NoLocking=true install "$deb" >"$work/apt.log" 2>&1; then
    cat "$work/apt.log" >&2
    fail "apt cannot resolve the package's dependencies"
fi
grep -q '^Inst ostrel ' "$work/apt.log" || { cat "$work/apt.log" >&2; fail "apt would not install ostrel"; }
echo "apt resolves it with $(grep -c '^Inst ' "$work/apt.log") packages on an empty system"

# --- exactly these files, nothing else
root=$work/root
dpkg-deb -x "$deb" "$root"
expected=$work/expected
{
    echo "etc/xdg/autostart/$app_id.desktop"
    echo "usr/bin/ostrel"
    echo "usr/share/applications/$app_id.desktop"
    echo "usr/share/doc/ostrel/copyright"
    for side in $sides; do
        echo "usr/share/icons/hicolor/${side}x$side/apps/$app_id.png"
    done
    echo "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    echo "usr/share/metainfo/$app_id.metainfo.xml"
} | LC_ALL=C sort >"$expected"
(cd "$root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort) >"$work/actual"
diff -u "$expected" "$work/actual" >&2 || fail "the package's files differ from the list above"
empty=$(cd "$root" && find . -type d -empty)
[ -z "$empty" ] || fail "empty directories in the package: $empty"
[ -x "$root/usr/bin/ostrel" ] || fail "usr/bin/ostrel is not executable"
file "$root/usr/bin/ostrel" | grep -q ', stripped' || fail "usr/bin/ostrel is not stripped"
cmp -s "$root/etc/xdg/autostart/$app_id.desktop" "$root/usr/share/applications/$app_id.desktop" \
    || fail "the autostart entry differs from the menu entry"

# --- validators: no errors, warnings or hints
for entry in "$root/usr/share/applications/$app_id.desktop" "$root/etc/xdg/autostart/$app_id.desktop"; do
    out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
    [ -z "$out" ] || fail "desktop-file-validate: $out"
done
echo "desktop-file-validate: clean"
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
echo "$out" | grep -Eq '^ *[EWI]: ' && fail "appstreamcli validate: $out"
echo "appstreamcli validate: $(echo "$out" | tail -n 1)"
# The tree as a whole: the launchable names a desktop entry that is there.
out=$(appstreamcli validate-tree --no-net "$root" 2>&1) || fail "appstreamcli validate-tree: $out"
echo "$out" | grep -Eq '^ *[EWI]: ' && fail "appstreamcli validate-tree: $out"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release entry for $version"

# The entry's program and icon are the ones the package ships.
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/usr/share/applications/$app_id.desktop")
[ "$exec_name" = ostrel ] && [ -x "$root/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not usr/bin/ostrel"
icon_name=$(sed -n 's/^Icon=//p' "$root/usr/share/applications/$app_id.desktop")
[ "$icon_name" = "$app_id" ] || fail "Icon=$icon_name, expected $app_id"

# --- icons: PNGs of the size their directory names, and an SVG
for side in $sides; do
    png=$root/usr/share/icons/hicolor/${side}x$side/apps/$app_id.png
    got=$(identify -format '%m %wx%h' "$png")
    [ "$got" = "PNG ${side}x$side" ] || fail "${side}x$side icon is $got"
done
head -c 512 "$root/usr/share/icons/hicolor/scalable/apps/$app_id.svg" | grep -q '<svg ' \
    || fail "the scalable icon is not SVG"
echo "icons: $sides px and scalable"

# --- a plain install with the default prefix, staged below DESTDIR so nothing
# reaches the real system: the autostart entry goes to the prefix's etc/ (or
# to an absolute configuration directory the build was configured with).
sysconfdir=$(sed -n 's/^CMAKE_INSTALL_SYSCONFDIR:[A-Z]*=//p' "$build/CMakeCache.txt")
case $sysconfdir in
/*) etc=${sysconfdir#/} ;;
*) etc=usr/local/$sysconfdir ;;
esac
DESTDIR="$work/staged" cmake --install "$build" --prefix /usr/local --component Runtime >"$work/install.log" 2>&1 \
    || { cat "$work/install.log" >&2; fail "cmake --install failed"; }
sed -e 's|^usr/|usr/local/|' -e "s|^etc/|$etc/|" "$expected" | LC_ALL=C sort >"$work/expected-staged"
(cd "$work/staged" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort) >"$work/actual-staged"
diff -u "$work/expected-staged" "$work/actual-staged" >&2 || fail "cmake --install put files elsewhere"
echo "cmake --install: autostart entry in /$etc/xdg/autostart"

# --- the packaged binary starts in an X session with a private session bus.
# Xvfb picks a free display itself, so parallel runs cannot take the same one.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
mkdir "$work/session" "$work/session/home"
DISPLAY=:$(cat "$work/display") dbus-run-session -- \
    sh "$0" --inside "$root/usr/bin/ostrel" "$work/session/home" "$work/session/ostrel.log"
written=$(cd "$work/session/home" && find . -mindepth 1)
[ -z "$written" ] || fail "the application wrote into HOME: $written"
echo "the packaged binary ran for 3 s and wrote nothing into HOME"

echo "PASS: package $(basename "$deb")"
