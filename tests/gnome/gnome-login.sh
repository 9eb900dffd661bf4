#!/usr/bin/env bash
# One login to a headless GNOME Shell, for the GNOME suites (run-under-gnome.sh sets the scene):
#   gnome-login.sh login    starts the shell and prints the session's variables as NAME=VALUE lines
#   (the session's runtime folder is the one of the whole session, so that the shell and the
#   settings service see each other's changes)
#   gnome-login.sh logout   stops it
set -euo pipefail
work=${HOVERDECK_GNOME_WORK:?}
runtime=${XDG_RUNTIME_DIR:?}

# Stops the shell with everything it started (its own process group). 43.9 was seen to leave a
# forked child of itself hanging before it ran anything; that child kept the shell's bus
# connection, and with it the name the next shell needs. 43.9 also ends with a segmentation
# fault when stopped while XWayland runs (48 ends cleanly): not a fault of anything under test.
stop_shell() {
  local shell
  shell=$(cat "$work/shell.pid" 2>/dev/null) || return 0
  kill -- "-$shell" 2>/dev/null || true
  for _ in $(seq 100); do kill -0 "$shell" 2>/dev/null || break; sleep 0.1; done
  kill -9 -- "-$shell" 2>/dev/null || true
  for _ in $(seq 300); do
    gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
      -m org.freedesktop.DBus.NameHasOwner org.gnome.Shell 2>/dev/null | grep -q true || break
    sleep 0.1
  done
}

# Starts shell number $1 (try $2) and waits until it is wholly up: its name, its objects, its
# XWayland answering. 1 when that took over 30 s.
start_shell() {
  local log=$work/shell-$1.$2.log deadline=$((SECONDS + 30))
  # A shell that finds this mark from a shell started less than a minute before starts with
  # extensions off, a guard against crash loops; a new login's runtime folder never has it.
  rm -f "$runtime/gnome-shell-disable-extensions"
  setsid gnome-shell --headless --wayland --virtual-monitor 1280x800 \
    --wayland-display "hoverdeck-$1" >"$log" 2>&1 &
  echo "$!" >"$work/shell.pid"
  timeout 30 gdbus wait --session org.gnome.Shell || return 1
  # The shell takes its name before it offers its objects, and may be slow to answer at all.
  until timeout 5 gdbus introspect --session -d org.gnome.Shell -o /org/gnome/Shell 2>/dev/null |
    grep -q org.gnome.Shell.Extensions; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
  # Its XWayland takes the lowest free display; the shell says which.
  display=""
  until [ -n "$display" ]; do
    ((SECONDS < deadline)) || return 1
    display=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$log")
    sleep 0.1
  done
  xauthority=$(find "$runtime" -maxdepth 1 -name '.mutter-Xwaylandauth.*' -printf '%T@ %p\n' |
    sort -rn | head -1 | cut -d' ' -f2-)
  # XWayland starts with its first client; it is started here, before the test's own clients.
  # 43.9 now and then never got it going ("could not connect to wayland server"), its clients
  # hanging: such a shell is started again.
  until DISPLAY=$display XAUTHORITY=$xauthority timeout 5 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null |
    grep -q 'window id'; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

case "${1:-}" in
login)
  n=$(($(cat "$work/logins" 2>/dev/null || echo 0) + 1))
  echo "$n" >"$work/logins"
  for try in 1 2 3; do
    start_shell "$n" "$try" && break
    echo "shell $n did not come up wholly in 30 s (try $try)" >&2
    stop_shell
    [ "$try" -lt 3 ] || exit 1
  done
  echo "XDG_RUNTIME_DIR=$runtime"
  echo "WAYLAND_DISPLAY=hoverdeck-$n"
  echo "DISPLAY=$display"
  echo "XAUTHORITY=$xauthority"
  ;;
logout)
  stop_shell
  ;;
*)
  echo "usage: $0 login|logout" >&2
  exit 2
  ;;
esac
