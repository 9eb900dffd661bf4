#!/bin/sh
# Runs a command on a private X server (Xvfb) managed by IceWM, then takes both down again.
# Usage: run-under-xvfb.sh COMMAND [ARG...]   -- the command's exit status is passed on.
# HOVERDECK_X11_WM=openbox runs Openbox instead of IceWM.
set -eu

if [ "$#" -eq 0 ]; then
  echo "usage: $0 COMMAND [ARG...]" >&2
  exit 2
fi

workdir=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-x11.XXXXXX")
xvfb_pid=""
wm_pid=""

cleanup() {
  status=$?
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ -n "$wm_pid" ] && wait "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$workdir"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# shellcheck source=../support/wait-for.sh
. "$(dirname "$0")/../support/wait-for.sh"

# The server picks a free display number itself and writes it once it accepts connections.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$workdir/display" \
  >"$workdir/xvfb.log" 2>&1 &
xvfb_pid=$!
display_known() { [ -s "$workdir/display" ] && grep -q '^[0-9][0-9]*$' "$workdir/display"; }
if ! wait_for 20 display_known; then
  echo "Xvfb did not start:" >&2
  cat "$workdir/xvfb.log" >&2
  exit 1
fi
DISPLAY=":$(cat "$workdir/display")"
export DISPLAY

# HOME points at the scratch directory so the window manager reads and writes nothing of the
# user's own configuration.
wm=${HOVERDECK_X11_WM:-icewm}
case "$wm" in
  icewm | openbox) ;;
  *)
    echo "unknown window manager: $wm" >&2
    exit 2
    ;;
esac
HOME="$workdir" "$wm" >"$workdir/wm.log" 2>&1 &
wm_pid=$!
wm_ready() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || return 1
  # Openbox announces itself before it has set up its screen; its client list comes after.
  [ "$wm" != openbox ] || xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -q '^_NET_CLIENT_LIST('
}
if ! wait_for 20 wm_ready; then
  echo "$wm did not take over $DISPLAY:" >&2
  cat "$workdir/wm.log" >&2
  exit 1
fi

status=0
"$@" || status=$?
exit "$status"
