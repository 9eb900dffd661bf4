#!/usr/bin/env bash
# One login to a headless GNOME Shell, for the GNOME suites (run-under-gnome.sh sets the scene):
#   gnome-login.sh login    starts the shell and prints the session's variables as NAME=VALUE lines
#   (the session's runtime folder is the one of the whole session, so that the shell and the
#   settings service see each other's changes)
#   gnome-login.sh logout   stops it
set -euo pipefail
work=${HOVERDECK_GNOME_WORK:?}
case "${1:-}" in
login)
  n=$(($(cat "$work/logins" 2>/dev/null || echo 0) + 1))
  echo "$n" >"$work/logins"
  runtime=${XDG_RUNTIME_DIR:?}
  # A shell that finds this mark from a shell started less than a minute before starts with
  # extensions off, a guard against crash loops; a new login's runtime folder never has it.
  rm -f "$runtime/gnome-shell-disable-extensions"
  gnome-shell --headless --wayland --virtual-monitor 1280x800 \
    --wayland-display "hoverdeck-$n" >"$work/shell-$n.log" 2>&1 &
  shell=$!
  echo "$shell" >"$work/shell.pid"
  gdbus wait --session --timeout 60 org.gnome.Shell
  # The shell takes its name before it offers its objects, and may be slow to answer at all.
  deadline=$((SECONDS + 60))
  until timeout 5 gdbus introspect --session -d org.gnome.Shell -o /org/gnome/Shell 2>/dev/null |
    grep -q org.gnome.Shell.Extensions; do
    ((SECONDS < deadline)) || break
    sleep 0.1
  done
  # Its XWayland takes the lowest free display; the shell says which.
  display=""
  until [ -n "$display" ] || ((SECONDS >= deadline)); do
    display=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$work/shell-$n.log")
    sleep 0.1
  done
  xauthority=$(ls -t "$runtime"/.mutter-Xwaylandauth.* 2>/dev/null | head -1)
  # XWayland starts with its first client; it is started here, before the test's own clients
  # (now and then on 43.9 the first clients' requests were seen to hang for over 10 s).
  until DISPLAY=$display XAUTHORITY=$xauthority timeout 5 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null |
    grep -q 'window id'; do
    ((SECONDS < deadline)) || break
    sleep 0.1
  done
  echo "XDG_RUNTIME_DIR=$runtime"
  echo "WAYLAND_DISPLAY=hoverdeck-$n"
  echo "DISPLAY=$display"
  echo "XAUTHORITY=$xauthority"
  ;;
logout)
  shell=$(cat "$work/shell.pid")
  kill "$shell" 2>/dev/null || true
  # 43.9 ends with a segmentation fault when stopped while XWayland runs (48 ends cleanly): not
  # a fault of anything under test.
  for _ in $(seq 100); do kill -0 "$shell" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$shell" 2>/dev/null || true
  # The next shell can take the session's name only once this one's connection is gone.
  for _ in $(seq 300); do
    gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
      -m org.freedesktop.DBus.NameHasOwner org.gnome.Shell 2>/dev/null | grep -q true || break
    sleep 0.1
  done
  ;;
*)
  echo "usage: $0 login|logout" >&2
  exit 2
  ;;
esac
