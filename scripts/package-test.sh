#!/usr/bin/env bash
# Builds the Debian package from an existing build folder, installs it, starts the installed
# program offscreen, and removes the package again, checking that it leaves nothing behind.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

rm -f "$build"/morvane-config_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/morvane-config_*.deb)
echo "package: $deb"
dpkg-deb --info "$deb" | sed -n 's/^ *\(Package\|Version\|Depends\):/  &/p'

manpage=/usr/share/man/man1/morvane-config.1.gz
files=(/usr/bin/morvane-config /usr/share/applications/morvane-config.desktop
       /usr/share/icons/hicolor/48x48/apps/morvane-config.png
       /usr/share/icons/hicolor/256x256/apps/morvane-config.png
       /usr/share/mime/packages/morvane-config.xml
       /usr/share/doc/morvane-config/README.md
       "$manpage")

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
"${as_root[@]}" dpkg -i "$deb" >/dev/null ||
    { "${as_root[@]}" apt-get install -f -y --no-install-recommends >/dev/null; "${as_root[@]}" dpkg -i "$deb"; }
for f in "${files[@]}"; do
    [ -e "$f" ] || { echo "missing after install: $f" >&2; exit 1; }
done
maps_file_type || { echo "*.morvane does not map to the program after install" >&2; exit 1; }
echo "*.morvane opens with morvane-config"

# The manual page is compressed as Debian's are and reads without warnings.
gzip -t "$manpage" || { echo "$manpage is not a valid gzip file" >&2; exit 1; }
problems=$(zcat "$manpage" | LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 2>&1)
[ -z "$problems" ] || { echo "the manual page has problems:" >&2; echo "$problems" >&2; exit 1; }
# Its header names this version, and a page that still holds a placeholder is a template,
# named .in so that nobody reads it with "man -l" for the page itself.
version=$(dpkg-deb -f "$deb" Version)
zcat "$manpage" | head -n 1 | grep -qF "\"morvane-config $version\"" ||
    { echo "the manual page's header does not name version $version" >&2; exit 1; }
if zcat "$manpage" | grep -q '@[A-Z_]*@'; then
    echo "the installed manual page holds a placeholder" >&2; exit 1
fi
templates=$(grep -l '@[A-Z_]*@' data/* | grep -v '\.in$' || true)
[ -z "$templates" ] || { echo "templates not named .in: $templates" >&2; exit 1; }
echo "manual page installed: $manpage"

# The installed program carries no path of the machine it was built on.
built_in=$(strings /usr/bin/morvane-config | grep -F -e "$PWD" -e "$(cd "$build" && pwd)" || true)
[ -z "$built_in" ] ||
    { echo "the installed program holds paths of the build machine: $built_in" >&2; exit 1; }
echo "no path of the build machine in the installed program"

# The command line runs without any display.
said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/morvane-config --version)
[ "$said" = "morvane-config $version" ] ||
    { echo "the installed program says '$said' for --version" >&2; exit 1; }

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
for f in "${files[@]}"; do
    [ ! -e "$f" ] || { echo "left behind after removal: $f" >&2; exit 1; }
done
! maps_file_type || { echo "*.morvane still maps to the program after removal" >&2; exit 1; }
echo "package installed, ran and was removed cleanly"
