#!/usr/bin/env bash
# Builds the Debian packages from an existing build folder. Installs the command line's alone,
# as a headless station would, and runs a read with it against the virtual controller; then
# the window's, and starts the installed window offscreen; then removes both, checking that
# each leaves nothing behind.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

rm -f "$build"/morvane-config_*.deb "$build"/morvane-config-cli_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
cli_deb=$(ls "$build"/morvane-config-cli_*.deb)
window_deb=$(ls "$build"/morvane-config_*.deb)
for deb in "$cli_deb" "$window_deb"; do
    echo "package: $deb"
    dpkg-deb --info "$deb" | sed -n 's/^ *\(Package\|Version\|Depends\):/  &/p'
done
version=$(dpkg-deb -f "$cli_deb" Version)

# The command line's package needs nothing of the desktop's graphics, and the window's needs
# the command line's of its own version.
graphics='libqt6(gui|widgets|opengl|xcbqpa)|libx11|libxcb|libegl|libgl1|libglx|libopengl|libfontconfig|libfreetype|libharfbuzz|libxkbcommon'
if dpkg-deb -f "$cli_deb" Depends | grep -qiE "$graphics"; then
    echo "the command line's package depends on graphics libraries:" >&2
    dpkg-deb -f "$cli_deb" Depends >&2
    exit 1
fi
dpkg-deb -f "$window_deb" Depends | grep -qF "morvane-config-cli (= $version)" ||
    { echo "the window's package does not depend on morvane-config-cli $version" >&2; exit 1; }
echo "the command line's package needs no graphics library"

manpage=/usr/share/man/man1/morvane-config.1.gz
cli_files=(/usr/bin/morvane-config /usr/bin/morvane-sim /usr/lib/morvane-config/libmorvane-network.so
    "$manpage")
window_files=(/usr/lib/morvane-config/libmorvane-window.so
       /usr/lib/morvane-config/libmorvane-report.so
       /usr/share/applications/morvane-config.desktop
       /usr/share/icons/hicolor/48x48/apps/morvane-config.png
       /usr/share/icons/hicolor/256x256/apps/morvane-config.png
       /usr/share/mime/packages/morvane-config.xml
       /usr/share/doc/morvane-config/README.md)
all_there() { for f in "$@"; do [ -e "$f" ] || { echo "missing: $f" >&2; return 1; }; done; }
none_there() { for f in "$@"; do [ ! -e "$f" ] || { echo "present: $f" >&2; return 1; }; done; }

# The system's databases, as the package's triggers leave them: *.morvane is the program's
# file type, and the program is the one that opens it.
mime_glob=/usr/share/mime/globs2
desktop_cache=/usr/share/applications/mimeinfo.cache
maps_file_type() {
    grep -q ':application/x-morvane-config:\*\.morvane$' "$mime_glob" 2>/dev/null &&
        grep -q '^application/x-morvane-config=.*morvane-config\.desktop' "$desktop_cache" 2>/dev/null
}

# Installing and removing a package needs root; a user who may use sudo runs it through sudo.
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo DEBIAN_FRONTEND=noninteractive)
export DEBIAN_FRONTEND=noninteractive
install_deb() {
    "${as_root[@]}" dpkg -i "$1" >/dev/null ||
        { "${as_root[@]}" apt-get install -f -y --no-install-recommends >/dev/null; "${as_root[@]}" dpkg -i "$1"; }
}

work=$(mktemp -d)
sim=""
trap '[ -z "$sim" ] || kill "$sim" 2>/dev/null; rm -rf "$work"' EXIT

# The command line's package alone.
install_deb "$cli_deb"
all_there "${cli_files[@]}" || { echo "the command line's package lacks files" >&2; exit 1; }
none_there "${window_files[@]}" || { echo "the command line's package holds the window's files" >&2; exit 1; }

# The manual page is compressed as Debian's are and reads without warnings.
gzip -t "$manpage" || { echo "$manpage is not a valid gzip file" >&2; exit 1; }
problems=$(zcat "$manpage" | LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 2>&1)
[ -z "$problems" ] || { echo "the manual page has problems:" >&2; echo "$problems" >&2; exit 1; }
# Its header names this version, and a page that still holds a placeholder is a template,
# named .in so that nobody reads it with "man -l" for the page itself.
zcat "$manpage" | head -n 1 | grep -qF "\"morvane-config $version\"" ||
    { echo "the manual page's header does not name version $version" >&2; exit 1; }
if zcat "$manpage" | grep -q '@[A-Z_]*@'; then
    echo "the installed manual page holds a placeholder" >&2; exit 1
fi
templates=$(grep -l '@[A-Z_]*@' data/* | grep -v '\.in$' || true)
[ -z "$templates" ] || { echo "templates not named .in: $templates" >&2; exit 1; }
echo "manual page installed: $manpage"

# The command line runs without any display, and reads a controller without the window's
# package and without loading any graphics library.
said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/morvane-config --version)
[ "$said" = "morvane-config $version" ] ||
    { echo "the installed program says '$said' for --version" >&2; exit 1; }
# The virtual controller comes with the command line's package.
simulator=/usr/bin/morvane-sim
"$simulator" --link "$work/ttyB" >"$work/sim.log" 2>&1 &
sim=$!
for _ in $(seq 50); do
    [ -e "$work/ttyB" ] && break
    sleep 0.1
done
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LD_DEBUG=files LD_DEBUG_OUTPUT="$work/ld" \
    /usr/bin/morvane-config read --port "$work/ttyB" -o "$work/unit.morvane" 2>"$work/read.log" ||
    { echo "the installed command line could not read:" >&2; cat "$work/read.log" >&2; exit 1; }
grep -q '"registers"' "$work/unit.morvane" ||
    { echo "the read saved no configuration" >&2; exit 1; }
loaded=$(cat "$work"/ld.* | grep -oE 'file=[^ ]+' | sort -u)
if grep -iE "$graphics|morvane-window" <<<"$loaded"; then
    echo "the read loaded the libraries above" >&2; exit 1
fi
echo "the command line alone read a controller and loaded no graphics library"

# A unit on the network, through the network library the package installs beside the program.
"$simulator" --tcp 0 >"$work/tcp.log" 2>&1 &
tcp_sim=$!
for _ in $(seq 50); do
    url=$(head -n 1 "$work/tcp.log" 2>/dev/null || true)
    [[ "$url" == tcp://* ]] && break
    sleep 0.1
done
/usr/bin/morvane-config read --port "$url" -o "$work/tcp.morvane" 2>"$work/tcp-read.log" ||
    { echo "the installed command line could not read over TCP:" >&2; cat "$work/tcp-read.log" >&2; kill "$tcp_sim"; exit 1; }
kill "$tcp_sim" 2>/dev/null || true
echo "the command line alone read a unit on the network"

# Asked for the window, or for a report's page, it tells which package is missing.
for asked in "" "report $work/unit.morvane -o $work/unit.pdf"; do
    set +e
    # shellcheck disable=SC2086 # the words of the subcommand
    QT_QPA_PLATFORM=offscreen /usr/bin/morvane-config $asked 2>"$work/window.log"
    status=$?
    set -e
    if [ "$status" -ne 1 ] || ! grep -q "Its package, morvane-config, may be missing" "$work/window.log"; then
        echo "without the window's package '$asked' ended with $status:" >&2
        cat "$work/window.log" >&2
        exit 1
    fi
done

# The window's package gives the whole utility.
install_deb "$window_deb"
all_there "${cli_files[@]}" "${window_files[@]}" || { echo "files missing after install" >&2; exit 1; }
maps_file_type || { echo "*.morvane does not map to the program after install" >&2; exit 1; }
echo "*.morvane opens with morvane-config"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    /usr/bin/morvane-config report "$work/unit.morvane" -o "$work/unit.pdf" 2>"$work/report.log" ||
    { echo "the installed report failed:" >&2; cat "$work/report.log" >&2; exit 1; }
[ "$(head -c 5 "$work/unit.pdf")" = "%PDF-" ] || { echo "the report wrote no PDF" >&2; exit 1; }
echo "the installed report drew a page without a display"

# The installed program carries no path of the machine it was built on.
for binary in /usr/bin/morvane-config /usr/lib/morvane-config/libmorvane-window.so \
    /usr/lib/morvane-config/libmorvane-report.so /usr/lib/morvane-config/libmorvane-network.so; do
    built_in=$(strings "$binary" | grep -F -e "$PWD" -e "$(cd "$build" && pwd)" || true)
    [ -z "$built_in" ] ||
        { echo "$binary holds paths of the build machine: $built_in" >&2; exit 1; }
done
echo "no path of the build machine in the installed program"

# Without a subcommand it runs until its window closes. Still running after three seconds
# means it started and stayed up.
set +e
QT_QPA_PLATFORM=offscreen timeout 3 /usr/bin/morvane-config
status=$?
set -e
if [ "$status" -ne 124 ]; then
    echo "the installed program ended with status $status instead of running" >&2
    exit 1
fi
echo "installed program started and ran"

"${as_root[@]}" dpkg -r morvane-config >/dev/null
none_there "${window_files[@]}" || { echo "left behind by the window's package" >&2; exit 1; }
all_there "${cli_files[@]}" || { echo "the window's removal took the command line's files" >&2; exit 1; }
! maps_file_type || { echo "*.morvane still maps to the program after removal" >&2; exit 1; }
"${as_root[@]}" dpkg -r morvane-config-cli >/dev/null
none_there "${cli_files[@]}" || { echo "left behind by the command line's package" >&2; exit 1; }
echo "packages installed, ran and were removed cleanly"
