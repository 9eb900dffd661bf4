#!/bin/sh
# The Linux edition's scan on a real X server: on a private Xvfb managed by IceWM, opens 100, 1000
# and 3000 windows and times a scan of them against `wmctrl -l` listing them; then measures the
# hoverdeck program's CPU per tick, idle in the tray, and its memory with as many windows, beside
# a Qt program that sits in the tray with a 1 s timer doing nothing, measured over the same time.
# Usage: bench/run-x11-bench.sh [BUILD_DIR]   (default: build/linux; build it first)
# Needs: Xvfb, icewm, xprop (x11-utils), wmctrl.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/linux}" && pwd)
scan_bench="$build/bench/hoverdeck_x11_scan_bench"
bench_windows="$build/bench/hoverdeck_x11_bench_windows"
idle_timer="$build/bench/hoverdeck_x11_idle_timer"
program="$build/src/ui/qt/hoverdeck"
window_counts="100 1000 3000"

if [ "${HOVERDECK_X11_BENCH_INNER:-}" != 1 ]; then
  for tool in "$scan_bench" "$bench_windows" "$idle_timer" "$program"; do
    [ -x "$tool" ] || { echo "missing $tool: build the linux preset first" >&2; exit 1; }
  done
  command -v wmctrl >/dev/null || { echo "wmctrl is needed (apt-get install wmctrl)" >&2; exit 1; }
  # The rest runs again inside the private display, which the wrapper takes down afterwards.
  HOVERDECK_X11_BENCH_INNER=1 exec "$here/../tests/x11/run-under-xvfb.sh" "$0" "$build"
fi

workdir=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-bench.XXXXXX")
owner_pid=""
program_pid=""
idle_pid=""
# Seconds over which the CPU per tick is measured.
seconds=${HOVERDECK_BENCH_SECONDS:-20}

stop() {
  # Ends one process this script started, by its id, and reaps it.
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
cleanup() {
  status=$?
  stop "$program_pid"
  stop "$idle_pid"
  stop "$owner_pid"
  rm -rf "$workdir"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# shellcheck source=../tests/support/wait-for.sh
. "$here/../tests/support/wait-for.sh"

listed_windows() { wmctrl -l 2>/dev/null | wc -l; }

# Opens $1 windows and waits until the window manager has them all.
open_windows() {
  "$bench_windows" "$1" >"$workdir/owner.out" 2>"$workdir/owner.err" &
  owner_pid=$!
  owner_ready() { grep -q '^ready$' "$workdir/owner.out"; }
  if ! wait_for 180 owner_ready; then
    echo "the window helper did not get ready:" >&2
    cat "$workdir/owner.err" >&2
    exit 1
  fi
  # The window manager keeps busy a moment longer (frames, task bar); the timing starts after.
  sleep 2
}

# Closes them and waits until the window manager has let go of them.
close_windows() {
  stop "$owner_pid"
  owner_pid=""
  desktop_clear() { [ "$(listed_windows)" -lt 10 ]; }
  wait_for 30 desktop_clear || echo "warning: windows still listed after closing" >&2
}

echo "Hoverdeck X11 scan benchmark on Xvfb $DISPLAY with IceWM $(icewm --version 2>/dev/null | head -n 1 | awk '{sub(",", "", $2); print $2}')"
echo
echo "Scan: median and best of 50 scans that change nothing, each walking every window again into"
echo "emptied tables, after a first scan that learns the windows' frames; unchanged: median of 50"
echo "scans as the program makes them on a desktop that stays as it is (the tables are kept);"
echo "wmctrl -l: median wall time of 7 runs (process start to exit)."
echo
echo "| windows | walked | listed | first scan ms (round trips) | scan median ms | scan best ms | scan CPU ms | round trips/scan | unchanged ms | wmctrl -l median ms | wmctrl lines | wmctrl/scan |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
for count in $window_counts; do
  open_windows "$count"
  row=$("$scan_bench" --scans 50 --wmctrl-runs 7)
  echo "| $count $row"
  close_windows
done

# The program itself, idle in the tray with N windows: a copy beside a sample INI in a scratch
# directory, so the settings it writes stay there. It starts minimised in the tray, where it
# spends its days. One close-button rule matches some of the windows; the first scan applies it,
# the later ones find nothing to change.
mkdir -p "$workdir/app" "$workdir/runtime"
chmod 700 "$workdir/runtime"
cp "$program" "$workdir/app/hoverdeck"

# The rule reaching a matching window shows the program's scans at work.
# The newest window of that name: a closed one may still be listed a moment after a large run.
window_id() {
  wmctrl -l | awk -v n="$1" '$4 == "Bench" && $5 == "window" && $6 == n {print $1}' | tail -n 1
}
close_taken() { xprop -id "$1" _MOTIF_WM_HINTS 2>/dev/null | grep -q '= 0x1, 0x1e'; }
# CPU time of process $1 from the kernel's scheduler statistics of every thread (nanoseconds).
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{sum += $1} END {printf "%.0f", sum}'; }

measure_program() {
  open_windows "$1"
  cat >"$workdir/app/Hoverdeck.ini" <<'INI'
[Configuration]
SetAllTopMost=0
SetTopMostCaption=0
SetAllDisableX=0
Minimized=1

[TopMostWindows]
Win1=Never matched
chkWin1=1

[DisableX]
Win1=Bench window 7
chkWin1=1
INI
  HOME="$workdir" XDG_RUNTIME_DIR="$workdir/runtime" QT_QPA_PLATFORM=xcb \
    "$workdir/app/hoverdeck" >"$workdir/program.log" 2>&1 &
  program_pid=$!
  # The yardstick runs at the same time, so that both meet the same load on the machine.
  HOME="$workdir" XDG_RUNTIME_DIR="$workdir/runtime" QT_QPA_PLATFORM=xcb "$idle_timer" \
    >"$workdir/idle.log" 2>&1 &
  idle_pid=$!
  first_match=$(window_id 7)
  if [ -z "$first_match" ] || ! wait_for 60 close_taken "$first_match"; then
    echo "hoverdeck did not apply its rule to \"Bench window 7\":" >&2
    cat "$workdir/program.log" >&2
    exit 1
  fi
  sleep 3  # past start-up
  ns_before=$(cpu_ns "$program_pid")
  idle_before=$(cpu_ns "$idle_pid")
  time_before=$(date +%s%N)
  sleep "$seconds"
  ns_after=$(cpu_ns "$program_pid")
  idle_after=$(cpu_ns "$idle_pid")
  time_after=$(date +%s%N)
  rss_kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$program_pid/status")

  # Still scanning: a window renamed to match now loses its close button at the next tick.
  renamed=$(window_id 42)
  xprop -id "$renamed" -f _NET_WM_NAME 8u -set _NET_WM_NAME "Bench window 7 (renamed)"
  if ! wait_for 5 close_taken "$renamed"; then
    echo "hoverdeck stopped scanning:" >&2
    cat "$workdir/program.log" >&2
    exit 1
  fi
  awk -v n="$1" -v ns=$((ns_after - ns_before)) -v idle=$((idle_after - idle_before)) \
      -v wall=$((time_after - time_before)) -v rss="$rss_kb" 'BEGIN {
    ticks = wall / 1e9
    printf "| %d | %.2f s | %.3f ms | %.3f ms | %+.3f ms | %.3f %% | %.1f MiB |\n", n, ticks,
      ns / 1e6 / ticks, idle / 1e6 / ticks, (ns - idle) / 1e6 / ticks, 100 * ns / wall, rss / 1024
  }'
  stop "$program_pid"
  program_pid=""
  stop "$idle_pid"
  idle_pid=""
  close_windows
}

echo
echo "hoverdeck idle in the tray, one scan a second, and beside it over the same time a Qt program"
echo "idle in the tray with a 1 s timer that does nothing (CPU of all threads from schedstat):"
echo
echo "| windows | measured | CPU per tick | idle Qt program per tick | difference | of one core | resident memory |"
echo "|---|---|---|---|---|---|---|"
for count in $window_counts; do
  measure_program "$count"
done
