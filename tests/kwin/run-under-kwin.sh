#!/usr/bin/env bash
# Runs a command inside a headless KWin Wayland session (software rendering, XWayland on) with a
# private session bus and a scratch HOME, then takes it down; the command's exit status is passed
# on. Exits 77 (skipped) only when kwin_wayland is missing or cannot start here.
#   HOVERDECK_KWIN_ROOT=debian13  runs it all inside the Debian 13 root (KWin 6), through
#                                 tests/support/in-debian13.sh
# The command finds KWin's major version in HOVERDECK_KWIN_MAJOR, and in HOVERDECK_REPLACE_KWIN a
# script that puts a new KWin in the place of the running one (see below).
set -euo pipefail
[ "$#" -gt 0 ] || { echo "usage: $0 COMMAND [ARG...]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
if [ "${HOVERDECK_KWIN_ROOT:-}" = debian13 ]; then
  HOVERDECK_KWIN_ROOT=inside exec "$here/../support/in-debian13.sh" "$0" "$@"
fi
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
kwin_args=(--virtual --no-lockscreen --no-kactivities)
xwayland_args=(--xwayland)
x_sockets=()
kwin_major=$("$work/kwin_wayland" --version 2>/dev/null | awk '{print int($2)}' || true)
if [ "${kwin_major:-5}" -ge 6 ]; then
  # KWin 6 looks for a free display from :0 up and gives up when the low ones are taken (by the
  # other suites' servers): it gets the listening sockets of a display chosen here, from :300 up,
  # reserved with the lock file X servers use.
  for ((display = 300; ; display++)); do
    [ -e "/tmp/.X11-unix/X$display" ] || ! (set -C; echo "$$" >"/tmp/.X$display-lock") 2>/dev/null || break
  done
  trap 'rm -rf "$work" "/tmp/.X$display-lock" "/tmp/.X11-unix/X$display"' EXIT
  xwayland_args=(--xwayland --xwayland-display ":$display" --xwayland-fd 3 --xwayland-fd 4)
  # The display's socket in /tmp/.X11-unix and its abstract twin, listening, as fds 3 and 4 of
  # the command (KWin) that this starts.
  cat >"$work/x-sockets.py" <<'PY'
import os, socket, sys
path = "/tmp/.X11-unix/X" + sys.argv[1]
fds = []
for name in (path, "\0" + path):
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    s.bind(name)
    s.listen(16)
    fds.append(s.detach())
for target, fd in zip((3, 4), fds):
    if fd != target:
        os.dup2(fd, target)
        os.close(fd)
    os.set_inheritable(target, True)
os.execvp(sys.argv[2], sys.argv[2:])
PY
  x_sockets=(python3 "$work/x-sockets.py" "$display")
fi
# A test may put another KWin in the place of the running one: this kills the one running (at
# once, so that it takes none of its clients' processes with it), starts a new one (without
# XWayland) on a socket of its own, HOVERDECK_KWIN_PAUSE seconds later, and prints that socket's
# name.
{
  echo '#!/usr/bin/env bash'
  echo 'set -eu'
  echo 'kill -KILL "$(cat "$HOVERDECK_KWIN_WORK/kwin.pid")"'
  echo 'sleep "${HOVERDECK_KWIN_PAUSE:-0}"'
  echo 'n=$(( $(cat "$HOVERDECK_KWIN_WORK/kwins" 2>/dev/null || echo 1) + 1 )); echo "$n" >"$HOVERDECK_KWIN_WORK/kwins"'
  printf '%q ' "$work/kwin_wayland" "${kwin_args[@]}"
  echo '--socket "'"$socket"'-$n" >>"$HOVERDECK_KWIN_WORK/kwin.log" 2>&1 &'
  echo 'echo "$!" >"$HOVERDECK_KWIN_WORK/kwin.pid"'
  echo 'echo "'"$socket"'-$n"'
} >"$work/replace-kwin.sh"
# The bus lives as long as this does: until the command has finished, whichever KWin runs then.
{
  echo '#!/usr/bin/env bash'
  printf '%q ' "${x_sockets[@]}" "$work/kwin_wayland" "${kwin_args[@]}" "${xwayland_args[@]}" \
    --socket "$socket" \
    --exit-with-session "$work/session.sh"
  echo '&'
  echo 'echo "$!" >"$HOVERDECK_KWIN_WORK/kwin.pid"'
  echo 'down=0'
  echo 'while [ ! -e "$HOVERDECK_KWIN_WORK/status" ] && [ "$down" -lt 50 ]; do'
  echo '  if kill -0 "$(cat "$HOVERDECK_KWIN_WORK/kwin.pid")" 2>/dev/null; then down=0; else down=$((down + 1)); fi'
  echo '  [ -e "$HOVERDECK_KWIN_WORK/started" ] || [ "$down" = 0 ] || break'
  echo '  sleep 0.2'
  echo 'done'
  echo 'kill "$(cat "$HOVERDECK_KWIN_WORK/kwin.pid")" 2>/dev/null; wait'
} >"$work/bus-session.sh"
chmod +x "$work/replace-kwin.sh" "$work/bus-session.sh"

HOVERDECK_KWIN_MAJOR=${kwin_major:-5} HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime" \
  HOVERDECK_KWIN_WORK="$work" HOVERDECK_REPLACE_KWIN="$work/replace-kwin.sh" \
  dbus-run-session -- "$work/bus-session.sh" >"$work/kwin.log" 2>&1 || true

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
