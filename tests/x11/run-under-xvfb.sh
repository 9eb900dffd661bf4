#!/bin/sh
# Runs a command on a private X server (Xvfb) managed by IceWM, or by HOVERDECK_X11_WM (openbox,
# kwin_x11), then takes them down again; the command's exit status is passed on. HOME points at a
# scratch directory, so the window manager reads nothing of the user's own.
set -eu
[ "$#" -gt 0 ] || { echo "usage: $0 COMMAND [ARG...]" >&2; exit 2; }
wm=${HOVERDECK_X11_WM:-icewm}
case "$wm" in icewm | openbox | kwin_x11) ;; *) echo "unknown window manager: $wm" >&2; exit 2 ;; esac
workdir=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-x11.XXXXXX")
xvfb_pid="" wm_pid="" bus_pid=""
# Servers that look for a free display at the same moment, or while another one ends, can end
# up on one number; so the display is chosen here, and starting and ending servers take turns
# through this lock, which no server or client inherits (another user's lock file cannot be
# shared; their servers are then not waited for).
lock=/tmp/hoverdeck-xvfb.lock
[ ! -e "$lock" ] || [ -w "$lock" ] || lock=$workdir/xvfb.lock
exec 9>>"$lock"
cleanup() {
  status=$?
  for pid in $wm_pid $bus_pid; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  if [ -n "$xvfb_pid" ]; then
    flock -w 30 9 || true
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$workdir"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
# shellcheck source=../support/wait-for.sh
. "$(dirname "$0")/../support/wait-for.sh"

# Numbers from 20 up: a desktop's own servers and KWin's XWayland take the lowest free ones, the
# Windows suites' xvfb-run those from 99.
flock -w 60 9 || { echo "another X server kept $lock for a minute" >&2; exit 1; }
number=20
while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
DISPLAY=":$number"
export DISPLAY
# -noreset: a server that resets as its last client leaves can refuse the next one meanwhile.
Xvfb "$DISPLAY" -nolisten tcp -noreset -screen 0 1280x1024x24 9>&- >"$workdir/x.log" 2>&1 &
xvfb_pid=$!
server_answers() { xprop -root >/dev/null 2>&1; }
wait_for 20 server_answers || { echo "Xvfb did not start on $DISPLAY:" >&2; cat "$workdir/x.log" >&2; exit 1; }
flock -u 9
if [ "$wm" = kwin_x11 ]; then
  # KWin wants a session bus: a private one that starts no services (a shortcut daemon started on
  # demand can hold the display up), ended with the rest. KWin runs from a plain copy, which drops
  # any file capability the binary carries and a container may not grant.
  printf '<busconfig><listen>unix:tmpdir=%s</listen><policy context="default"><allow own="*"/>
    <allow send_destination="*"/><allow eavesdrop="true"/></policy></busconfig>\n' "$workdir" >"$workdir/bus.conf"
  dbus-daemon 9>&- --config-file="$workdir/bus.conf" --fork --print-address=1 --print-pid=1 >"$workdir/bus"
  { read -r DBUS_SESSION_BUS_ADDRESS && read -r bus_pid; } <"$workdir/bus"
  export DBUS_SESSION_BUS_ADDRESS KWIN_COMPOSE=N XDG_RUNTIME_DIR="$workdir"
  cp "$(command -v kwin_x11)" "$workdir/kwin_x11" && wm_command=$workdir/kwin_x11
fi
HOME="$workdir" "${wm_command:-$wm}" 9>&- >"$workdir/wm.log" 2>&1 &
wm_pid=$!
# Some managers announce themselves before they have set up the screen; the client list comes after.
wm_ready() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' &&
    xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -q '^_NET_CLIENT_LIST('
}
wait_for 20 wm_ready || { echo "$wm did not take over $DISPLAY:" >&2; cat "$workdir/wm.log" "$workdir/x.log" >&2; exit 1; }
"$@" 9>&-
