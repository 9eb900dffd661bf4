#!/usr/bin/env bash
# The .deb: its files, dependencies, lintian and the desktop validators; then, run read-only on
# Xvfb with IceWM, a changed setting lands in $XDG_CONFIG_HOME/hoverdeck/Hoverdeck.ini.
# Usage: deb.sh BUILD_DIR VERSION
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/checks.sh"

if [ -n "${HOVERDECK_DEB_ROOT:-}" ]; then  # inside the display
  root=$HOVERDECK_DEB_ROOT
  # Read-only as an installed /usr/bin is: a read-only mount for root, else no write right.
  if [ "$(id -u)" -eq 0 ]; then
    unshare -m sh -c 'mount --bind -o ro "$1" "$1" && exec "$1/usr/bin/hoverdeck"' sh "$root" &
  else
    chmod a-w "$root/usr/bin"
    "$root/usr/bin/hoverdeck" &
  fi
  pid=$!
  trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true' EXIT
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Hoverdeck [0-9]' | head -n 1)
  # Configuration > Start minimized in System Tray: written at once.
  xdotool windowactivate --sync "$window" key --delay 150 alt+c s
  written() { grep -q '^Minimized=1' "$XDG_CONFIG_HOME/hoverdeck/Hoverdeck.ini" 2>/dev/null; }
  check "the setting is written to \$XDG_CONFIG_HOME/hoverdeck/" wait_for 10 written
  check "nothing is written beside the program" test ! -e "$root/usr/bin/Hoverdeck.ini"
  exit "$failures"
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-deb.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cpack -G DEB --config "$1/CPackConfig.cmake" -B "$scratch/out" >"$scratch/log" 2>&1 ||
  { cat "$scratch/log"; exit 1; }
deb=$scratch/out/hoverdeck_$2_amd64.deb
listing=$(dpkg-deb -c "$deb") || exit 1
id=org.example.Hoverdeck
for file in bin/hoverdeck share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
  share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/$id.png \
  share/icons/hicolor/scalable/apps/$id.svg share/hoverdeck/autostart/$id.desktop \
  share/doc/hoverdeck/copyright share/man/man1/hoverdeck.1.gz \
  share/hoverdeck/gnome-shell-extension/{imports,module}/{metadata.json,extension.js}; do
  check "the package holds /usr/$file" grep -q " \./usr/$file\$" <<<"$listing"
done
check "the dependencies are computed: $(dpkg-deb -f "$deb" Depends)" \
  sh -c "dpkg-deb -f '$deb' Depends | grep -q 'libqt6widgets6.*libxcb1'"
dpkg-deb -x "$deb" "$scratch/root"
check "the metainfo names version $2" \
  grep -q "release version=\"$2\"" "$scratch/root/usr/share/metainfo/$id.metainfo.xml"
check "lintian finds no error" lintian --fail-on error --tag-display-limit 0 "$deb"
check "desktop-file-validate" \
  desktop-file-validate "$scratch/root/usr/share/"{applications,hoverdeck/autostart}/$id.desktop
check "appstreamcli validate --no-net" \
  appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/$id.metainfo.xml"

mkdir -p "$scratch/icewm"
printf 'TaskBarEnableSystemTray=0\n' >"$scratch/icewm/preferences"
status=0
HOVERDECK_DEB_ROOT=$scratch/root XDG_CONFIG_HOME=$scratch/config ICEWM_PRIVCFG=$scratch/icewm \
  timeout 60 "$here/../x11/run-under-xvfb.sh" "$0" || status=$?
exit "$((failures + status > 0))"
