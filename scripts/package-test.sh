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

files=(/usr/bin/morvane-config /usr/share/applications/morvane-config.desktop
       /usr/share/icons/hicolor/48x48/apps/morvane-config.png
       /usr/share/icons/hicolor/256x256/apps/morvane-config.png
       /usr/share/mime/packages/morvane-config.xml
       /usr/share/doc/morvane-config/README.md)

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

# The window runs until it is closed. Still running after three seconds means it started and
# stayed up.
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
