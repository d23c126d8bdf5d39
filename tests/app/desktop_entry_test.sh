#!/usr/bin/env bash
# desktop_entry_test.sh BUILD_DIR: installing the build into a fresh prefix gives the program, its
# icon and a desktop entry that names both by their installed paths.
set -euo pipefail
PREFIX=$(mktemp -d /tmp/velk_install.XXXXXX)
trap 'rm -rf "$PREFIX"' EXIT
cmake --install "$1" --prefix "$PREFIX" >/dev/null
entry=$PREFIX/share/applications/velk.desktop
[ -x "$PREFIX/bin/velk" ] || { echo "velk not installed" >&2; exit 1; }
[ -f "$PREFIX/share/pixmaps/velk.xpm" ] || { echo "icon not installed" >&2; exit 1; }
grep -qx '\[Desktop Entry\]' "$entry" || { echo "no desktop entry" >&2; exit 1; }
grep -qx "Exec=$PREFIX/bin/velk" "$entry" || { echo "Exec does not name the program" >&2; exit 1; }
grep -qx "Icon=$PREFIX/share/pixmaps/velk.xpm" "$entry" || { echo "Icon path wrong" >&2; exit 1; }
grep -qx 'Type=Application' "$entry"
echo "desktop entry: ok"
