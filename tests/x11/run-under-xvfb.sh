#!/bin/sh
# Runs a command on a private X server (Xvfb) managed by IceWM, or by Openbox when
# HOVERDECK_X11_WM=openbox, then takes both down again; the command's exit status is passed on.
# HOME points at a scratch directory, so the window manager reads nothing of the user's own.
set -eu
[ "$#" -gt 0 ] || { echo "usage: $0 COMMAND [ARG...]" >&2; exit 2; }
wm=${HOVERDECK_X11_WM:-icewm}
case "$wm" in icewm | openbox) ;; *) echo "unknown window manager: $wm" >&2; exit 2 ;; esac
workdir=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-x11.XXXXXX")
xvfb_pid="" wm_pid=""
cleanup() {
  status=$?
  for pid in $wm_pid $xvfb_pid; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$workdir"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
# shellcheck source=../support/wait-for.sh
. "$(dirname "$0")/../support/wait-for.sh"

# The server picks a free display number itself and writes it once it accepts connections.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$workdir/display" >"$workdir/x.log" 2>&1 &
xvfb_pid=$!
display_known() { grep -q '^[0-9][0-9]*$' "$workdir/display"; }
wait_for 20 display_known || { echo "Xvfb did not start:" >&2; cat "$workdir/x.log" >&2; exit 1; }
DISPLAY=":$(cat "$workdir/display")"
export DISPLAY
HOME="$workdir" "$wm" >"$workdir/wm.log" 2>&1 &
wm_pid=$!
# Openbox announces itself before it has set up its screen; its client list comes after.
wm_ready() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' &&
    { [ "$wm" != openbox ] || xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -q '^_NET_CLIENT_LIST('; }
}
wait_for 20 wm_ready || { echo "$wm did not take over $DISPLAY:" >&2; cat "$workdir/wm.log" >&2; exit 1; }
"$@"
