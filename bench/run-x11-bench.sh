#!/bin/sh
# The Linux edition's scan on a real X server: on a private Xvfb managed by IceWM, opens 100, 500
# and 1000 windows and times a scan of them against `wmctrl -l` listing them; then measures the
# idle CPU and the resident memory of the hoverdeck program with 100 windows on the display.
# Usage: bench/run-x11-bench.sh [BUILD_DIR]   (default: build/linux; build it first)
# Needs: Xvfb, icewm, xprop (x11-utils), wmctrl.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/linux}" && pwd)
scan_bench="$build/bench/hoverdeck_x11_scan_bench"
bench_windows="$build/bench/hoverdeck_x11_bench_windows"
program="$build/src/ui/qt/hoverdeck"
window_counts="100 500 1000"

if [ "${HOVERDECK_X11_BENCH_INNER:-}" != 1 ]; then
  for tool in "$scan_bench" "$bench_windows" "$program"; do
    [ -x "$tool" ] || { echo "missing $tool: build the linux preset first" >&2; exit 1; }
  done
  command -v wmctrl >/dev/null || { echo "wmctrl is needed (apt-get install wmctrl)" >&2; exit 1; }
  # The rest runs again inside the private display, which the wrapper takes down afterwards.
  HOVERDECK_X11_BENCH_INNER=1 exec "$here/../tests/x11/run-under-xvfb.sh" "$0" "$build"
fi

workdir=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-bench.XXXXXX")
owner_pid=""
program_pid=""

stop() {
  # Ends one process this script started, by its id, and reaps it.
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
cleanup() {
  status=$?
  stop "$program_pid"
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
echo "Scan: median and best of 50 scans that change nothing, after a first scan that learns the"
echo "windows' frames; wmctrl -l: median wall time of 7 runs (process start to exit)."
echo
echo "| windows | walked | listed | first scan ms (round trips) | scan median ms | scan best ms | round trips/scan | wmctrl -l median ms | wmctrl lines | wmctrl/scan |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for count in $window_counts; do
  open_windows "$count"
  row=$("$scan_bench" --scans 50 --wmctrl-runs 7)
  echo "| $count $row"
  close_windows
done

# The program itself, idle with 100 windows: a copy beside a sample INI in a scratch directory,
# so the settings it writes stay there. It starts minimised in the tray, where it spends its
# days. One close-button rule matches 11 of the windows; the first scan applies it, the later
# ones find nothing to change.
open_windows 100
mkdir -p "$workdir/app" "$workdir/runtime"
chmod 700 "$workdir/runtime"
cp "$program" "$workdir/app/hoverdeck"
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

# The rule reaching a matching window shows the program's scans at work.
window_id() { wmctrl -l | awk -v n="$1" '$4 == "Bench" && $5 == "window" && $6 == n {print $1}'; }
close_taken() { xprop -id "$1" _MOTIF_WM_HINTS 2>/dev/null | grep -q '= 0x1, 0x1e'; }
first_match=$(window_id 7)
if [ -z "$first_match" ] || ! wait_for 20 close_taken "$first_match"; then
  echo "hoverdeck did not apply its rule to \"Bench window 7\":" >&2
  cat "$workdir/program.log" >&2
  exit 1
fi
sleep 3  # past start-up

# CPU time from the kernel's scheduler statistics of every thread (nanoseconds) and from the
# process's own tick counters (user + system).
cpu_ns() { cat /proc/"$program_pid"/task/*/schedstat | awk '{sum += $1} END {printf "%.0f", sum}'; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$program_pid/stat"; }
ns_before=$(cpu_ns)
ticks_before=$(cpu_ticks)
time_before=$(date +%s%N)
sleep 10
ns_after=$(cpu_ns)
ticks_after=$(cpu_ticks)
time_after=$(date +%s%N)
rss_kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$program_pid/status")
hwm_kb=$(awk '/^VmHWM:/ {print $2}' "/proc/$program_pid/status")
threads=$(ls /proc/"$program_pid"/task | wc -l)

# Still scanning: a window renamed to match now loses its close button within a scan or two.
renamed=$(window_id 42)
xprop -id "$renamed" -f _NET_WM_NAME 8u -set _NET_WM_NAME "Bench window 7 (renamed)"
if ! wait_for 5 close_taken "$renamed"; then
  echo "hoverdeck stopped scanning:" >&2
  cat "$workdir/program.log" >&2
  exit 1
fi

awk -v ns=$((ns_after - ns_before)) -v ticks=$((ticks_after - ticks_before)) \
    -v hz="$(getconf CLK_TCK)" -v wall=$((time_after - time_before)) -v rss="$rss_kb" \
    -v hwm="$hwm_kb" -v threads="$threads" -v listed="$(listed_windows)" 'BEGIN {
  seconds = wall / 1e9
  printf "\nhoverdeck idle in the tray, %d windows listed by wmctrl, one scan a second:\n\n", listed
  print "| measure | value |"
  print "|---|---|"
  printf "| wall time measured | %.2f s |\n", seconds
  printf "| CPU time, all %d threads (schedstat) | %.1f ms = %.3f %% of one core |\n", threads, ns / 1e6, 100 * ns / wall
  printf "| CPU time, user+system ticks (/proc/PID/stat) | %d ticks of 1/%d s |\n", ticks, hz
  printf "| resident memory (VmRSS) | %.1f MiB (%d kB) |\n", rss / 1024, rss
  printf "| peak resident memory (VmHWM) | %.1f MiB |\n", hwm / 1024
}'

stop "$program_pid"
program_pid=""
close_windows
