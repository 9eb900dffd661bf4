#!/usr/bin/env bash
# The Linux edition's package: CPack makes it from the build tree; its files, its control data,
# lintian and the desktop validators are checked; then the program runs from a copy extracted
# into a read-only temporary root (as from /usr/bin) on Xvfb with IceWM, and a changed setting
# lands in $XDG_CONFIG_HOME/hoverdeck/Hoverdeck.ini.
# Usage: deb.sh BUILD_DIR VERSION
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

if [ -n "${HOVERDECK_DEB_ROOT:-}" ]; then
  # Inside the display: a read-only view of the extracted root, as an installed system has.
  # shellcheck source=../support/wait-for.sh
  . "$here/../support/wait-for.sh"
  config=$HOVERDECK_DEB_CONFIG
  program=$HOVERDECK_DEB_ROOT/usr/bin/hoverdeck
  if [ "$(id -u)" -eq 0 ]; then
    XDG_CONFIG_HOME=$config unshare -m sh -c \
      'mount --bind -o ro "$1" "$1" && exec "$2"' sh "$HOVERDECK_DEB_ROOT" "$program" &
  else
    chmod a-w "$HOVERDECK_DEB_ROOT/usr/bin"
    XDG_CONFIG_HOME=$config "$program" &
  fi
  pid=$!
  trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null' EXIT
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Hoverdeck [0-9]' | head -n 1)
  check "the extracted program shows its window" test -n "$window"
  # Configuration > Start minimized in System Tray: one setting written at once.
  xdotool windowactivate --sync "$window" key --delay 150 alt+c s
  ini=$config/hoverdeck/Hoverdeck.ini
  written() { grep -q '^Minimized=1' "$ini" 2>/dev/null; }
  check "the setting is written to \$XDG_CONFIG_HOME/hoverdeck/Hoverdeck.ini" wait_for 10 written
  check "nothing is written beside the program" test ! -e "$HOVERDECK_DEB_ROOT/usr/bin/Hoverdeck.ini"
  exit "$failures"
fi

if [ "$#" -ne 2 ]; then
  echo "usage: $0 BUILD_DIR VERSION" >&2
  exit 2
fi
build=$1
version=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-deb.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" ||
  { cat "$scratch/cpack.log"; exit 1; }
deb=$scratch/out/hoverdeck_${version}_amd64.deb
check "the package is named hoverdeck_${version}_amd64.deb" test -f "$deb"
[ -f "$deb" ] || exit 1

listing=$(dpkg-deb -c "$deb")
id=org.example.Hoverdeck
for file in usr/bin/hoverdeck usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
  usr/share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/$id.png \
  usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/hoverdeck/autostart/$id.desktop \
  usr/share/doc/hoverdeck/copyright usr/share/doc/hoverdeck/changelog.gz; do
  check "the package holds /$file" grep -q " \./$file\$" <<<"$listing"
done
depends=$(dpkg-deb -f "$deb" Depends)
check "the dependencies are computed from the program's libraries ($depends)" \
  grep -q 'libqt6widgets6.*libxcb1\|libxcb1.*libqt6widgets6' <<<"$depends"
check "the description has a summary and a long text" \
  test "$(dpkg-deb -f "$deb" Description | wc -l)" -ge 3
check "the metainfo names this version" \
  sh -c "dpkg-deb --fsys-tarfile '$deb' | tar -xO ./usr/share/metainfo/$id.metainfo.xml |
         grep -q 'release version=\"$version\"'"

dpkg-deb -x "$deb" "$scratch/root"
echo "== lintian"
check "lintian finds no error" lintian --fail-on error --tag-display-limit 0 "$deb"
echo "== desktop-file-validate"
for desktop in applications/$id.desktop hoverdeck/autostart/$id.desktop; do
  check "$desktop is valid" desktop-file-validate "$scratch/root/usr/share/$desktop"
done
echo "== appstreamcli validate --no-net"
check "the metainfo is valid" appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/$id.metainfo.xml"

mkdir -p "$scratch/config" "$scratch/icewm"
printf 'TaskBarEnableSystemTray=0\n' >"$scratch/icewm/preferences"
status=0
HOVERDECK_DEB_ROOT=$scratch/root HOVERDECK_DEB_CONFIG=$scratch/config ICEWM_PRIVCFG=$scratch/icewm \
  timeout 60 "$here/../x11/run-under-xvfb.sh" "$0" || status=$?
failures=$((failures + status))
[ "$failures" -eq 0 ] && echo "deb: all checks passed"
exit "$((failures > 0))"
