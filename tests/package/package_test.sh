#!/usr/bin/env bash
# package_test.sh SOURCE_DIR DEB_BUILD_DIR: builds the Debian package with `make deb` (into
# DEB_BUILD_DIR, kept between runs so that a rebuild is incremental), checks its dependencies and
# lintian, installs it with apt-get, runs the installed programs (velk-exchange imports a person
# from a vCard into a new database and exports it as text, velk-check verifies that database,
# each program's --version), finds the manual pages, the completion and the version in the
# help, validates the installed metainfo and desktop entry, then purges the package and checks
# that it left nothing under /usr that no package owns.
# Exit 77 (skipped) when not root, without apt-get, or when velk is installed already (a
# user's installation is not removed by a test).
set -euo pipefail
src=$1
debBuild=$2

[ "$(id -u)" -eq 0 ] || { echo "skipped: needs root"; exit 77; }
command -v apt-get >/dev/null || { echo "skipped: no apt-get"; exit 77; }
if dpkg-query -W -f='${Status}' velk 2>/dev/null | grep -q 'install ok installed'; then
  echo "skipped: the package velk is installed already"
  exit 77
fi

fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d /tmp/velk_package.XXXXXX)
installed=0
cleanup() {
  if [ "$installed" -eq 1 ]; then apt-get remove --purge -y velk >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

rm -f "$debBuild"/velk_*.deb
env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make -C "$src" --no-print-directory deb DEB_BUILD="$debBuild" >"$work/make.log" 2>&1 ||
  { tail -30 "$work/make.log"; fail "make deb"; }
debs=("$debBuild"/velk_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "make deb made no single velk_*.deb"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)

# The control data: the dependencies found in the programs and the runtime packages.
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6widgets6 libc6 fonts-liberation vdirsyncer qt6-qpa-plugins; do
  [[ ", $depends," == *", $p"[\ ,]* ]] || fail "Depends lacks $p: $depends"
done

# lintian (where installed): no errors; the warnings that stay are listed in the README.
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 ||
    { grep -v 'running with root privileges' "$work/lintian.log"; fail "lintian reports errors"; }
fi

touch "$work/stamp"
sleep 1
apt=(apt-get -o DPkg::Lock::Timeout=600 -y --no-install-recommends)
DEBIAN_FRONTEND=noninteractive "${apt[@]}" install "$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get install"; }
installed=1

for f in /usr/bin/velk /usr/bin/velk-check /usr/bin/velk-exchange \
  /usr/share/applications/velk.desktop /usr/share/metainfo/de.velk.Velk.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/velk.svg /usr/share/icons/hicolor/48x48/apps/velk.png \
  /usr/share/doc/velk/copyright /usr/share/doc/velk/guide.md; do
  [ -e "$f" ] || fail "$f not installed"
done

# The installed velk-exchange on a new database: root creates it, imports a person from a
# vCard and exports every person as text.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"
printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nN:Paketmann;Anton;;;\r\nFN:Anton Paketmann\r\nEND:VCARD\r\n' \
  >"$work/in.vcf"
mkdir "$work/db"
(cd "$work" && printf '\n' | /usr/bin/velk-exchange --password-stdin db import vcard in.vcf) ||
  fail "velk-exchange import"
(cd "$work" && printf '\n' | /usr/bin/velk-exchange --password-stdin db export personen-txt x.txt) ||
  fail "velk-exchange export"
grep -q Paketmann "$work/x.txt" || fail "the imported person is not in the export"
/usr/bin/velk-check "$work/db" >/dev/null || fail "velk-check finds the new database damaged"

# --version of each installed program: its name and the package's version, without a display.
for p in velk velk-check velk-exchange; do
  out=$(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "/usr/bin/$p" --version </dev/null 2>&1) ||
    fail "$p --version failed: $out"
  [ "$out" = "$p $version" ] || fail "$p --version says '$out', the package is $version"
done
grep -q "Version $version<" /usr/share/doc/velk/velk.html ||
  fail "the installed help does not name version $version"
[ -e /usr/share/bash-completion/completions/velk-exchange ] || fail "no completion of velk-exchange"

for p in velk velk-check velk-exchange; do
  [ "$(man -w "$p")" = "/usr/share/man/man1/$p.1.gz" ] || fail "man -w $p: $(man -w "$p" 2>&1)"
  [ "$(man -L de -w "$p")" = "/usr/share/man/de/man1/$p.1.gz" ] || fail "no German page of $p"
  man -l "/usr/share/man/man1/$p.1.gz" 2>/dev/null | grep -q "EXIT STATUS" || fail "$p(1) is empty"
done

appstreamcli validate --no-net /usr/share/metainfo/de.velk.Velk.metainfo.xml ||
  fail "appstreamcli validate"
desktop-file-validate /usr/share/applications/velk.desktop || fail "desktop-file-validate"
grep -qx 'Icon=velk' /usr/share/applications/velk.desktop || fail "the desktop entry's icon"

DEBIAN_FRONTEND=noninteractive "${apt[@]}" remove --purge velk >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get remove --purge"; }
installed=0
[ ! -e /usr/bin/velk ] || fail "/usr/bin/velk left after the purge"
[ ! -e /usr/share/doc/velk ] || fail "/usr/share/doc/velk left after the purge"

# What appeared under /usr since the install is owned by a package (the dependencies apt-get
# brought), or is one of the caches the triggers of the icon theme and the desktop menu rebuild.
left=()
while IFS= read -r f; do
  case "$f" in
    */icon-theme.cache | /usr/share/applications/mimeinfo.cache | */__pycache__/*) continue ;;
  esac
  dpkg -S "$f" >/dev/null 2>&1 || left+=("$f")
done < <(find /usr -newer "$work/stamp" ! -type d)
[ ${#left[@]} -eq 0 ] || fail "left under /usr, owned by no package: ${left[*]}"
echo "Debian package $version: ok"
