#!/usr/bin/env bash
# Runs a command inside a headless KWin Wayland session (software rendering, XWayland on) with a
# private session bus and a scratch HOME, then takes it down; the command's exit status is passed
# on. Exits 77 (skipped) only when kwin_wayland is missing or cannot start here.
set -euo pipefail
[ "$#" -gt 0 ] || { echo "usage: $0 COMMAND [ARG...]" >&2; exit 2; }
skip() { echo "SKIPPED: kwin_wayland cannot run here: $*" >&2; exit 77; }
kwin=$(command -v kwin_wayland) || skip "kwin_wayland is not installed (scripts/install-deps test)"
command -v dbus-run-session >/dev/null || skip "dbus-run-session is not installed"

work=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-kwin.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The installed binary carries a file capability that a container may not grant; a plain copy
# has none and runs the same.
cp "$kwin" "$work/kwin_wayland"
mkdir -p "$work/home/.config" "$work/runtime"
chmod 700 "$work/runtime"
# XWayland puts its socket there, as an X server would.
[ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix

# The session: the command, its exit status kept where the outer shell finds it.
{
  echo '#!/usr/bin/env bash'
  echo ': >"$HOVERDECK_KWIN_WORK/started"'
  echo 'status=0'
  printf '%q ' "$@"
  echo '>"$HOVERDECK_KWIN_WORK/output" 2>&1 || status=$?'
  echo 'echo "$status" >"$HOVERDECK_KWIN_WORK/status"'
} >"$work/session.sh"
chmod +x "$work/session.sh"

socket="hoverdeck-$$"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime" \
  HOVERDECK_KWIN_WORK="$work" \
  dbus-run-session -- "$work/kwin_wayland" --virtual --xwayland --no-lockscreen \
  --no-global-shortcuts --no-kactivities --socket "$socket" \
  --exit-with-session "$work/session.sh" >"$work/kwin.log" 2>&1 || true

[ -e "$work/started" ] || skip "$(tail -5 "$work/kwin.log")"
cat "$work/output"
if [ ! -s "$work/status" ]; then
  echo "kwin_wayland ended before the command finished:" >&2
  tail -20 "$work/kwin.log" >&2
  exit 1
fi
status=$(cat "$work/status")
if [ "$status" != 0 ]; then
  echo "--- KWin's log:" >&2
  tail -30 "$work/kwin.log" >&2
fi
exit "$status"
