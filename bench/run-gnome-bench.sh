#!/usr/bin/env bash
# The Linux edition over GNOME Shell on Wayland: inside a headless GNOME Shell with Hoverdeck's
# extension (through tests/gnome/run-under-gnome.sh), opens 200 windows (half native, spread over
# a few processes, half XWayland), runs the hoverdeck program on them and measures its CPU per
# tick against a Qt program with a 1 s timer doing nothing, over the same time, and the D-Bus
# calls it exchanges with the shell meanwhile. A small stand-in for a notification area
# (hoverdeck_sni_watcher) lets both sit in the tray, hoverdeck started minimised there.
# Usage: bench/run-gnome-bench.sh [BUILD_DIR]   (default: build/linux; build it first)
# GNOME Shell 48: tests/support/in-debian13.sh bench/run-gnome-bench.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/linux}" && pwd)
windows="$build/bench/hoverdeck_kwin_bench_windows"
idle_timer="$build/bench/hoverdeck_x11_idle_timer"
watcher="$build/bench/hoverdeck_sni_watcher"
program="$build/src/ui/qt/hoverdeck"
if [ "${HOVERDECK_GNOME_BENCH_INNER:-}" != 1 ]; then
  for tool in "$windows" "$idle_timer" "$watcher" "$program"; do
    [ -x "$tool" ] || { echo "missing $tool: build the linux preset first" >&2; exit 1; }
  done
  HOVERDECK_GNOME_BENCH_INNER=1 exec "$here/../tests/gnome/run-under-gnome.sh" \
    --extension "$build/gnome-shell-extension" "$0" "$build"
fi

seconds=${HOVERDECK_BENCH_SECONDS:-20}
per_kind=${HOVERDECK_BENCH_WINDOWS:-100}
# One Qt process showing many native windows at once can meet a Wayland protocol error of Qt's
# ("already has a different role"): the native ones come from several processes.
native_processes=4
work=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-gnome-bench.XXXXXX")
pids=()
cleanup() {
  status=$?
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
# shellcheck source=../tests/support/wait-for.sh
. "$here/../tests/support/wait-for.sh"
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{sum += $1} END {printf "%.0f", sum}'; }

"$watcher" &
pids+=($!)
open_windows() {  # platform count name
  out="$work/$3.out"
  QT_QPA_PLATFORM=$1 "$windows" "$2" >"$out" 2>&1 &
  pids+=($!)
  ready() { grep -q '^ready$' "$out"; }
  wait_for 120 ready || { echo "the $3 windows did not come up" >&2; exit 1; }
}
for i in $(seq "$native_processes"); do
  open_windows wayland $((per_kind / native_processes)) "native-$i"
done
open_windows xcb "$per_kind" xcb
sleep 2

mkdir -p "$work/app"
cp "$program" "$work/app/hoverdeck"
# One close rule matches the XWayland windows captioned "Bench window 7", so the rules are seen
# at work; nothing else changes.
printf '[Configuration]\nMinimized=1\n[TopMostWindows]\nWin1=Never matched\nchkWin1=1\n[DisableX]\nWin1=Bench window 7\nchkWin1=1\n' \
  >"$work/app/Hoverdeck.ini"
QT_QPA_PLATFORM=wayland "$work/app/hoverdeck" >"$work/program.log" 2>&1 &
program_pid=$!
pids+=("$program_pid")
QT_QPA_PLATFORM=wayland "$idle_timer" >"$work/idle.log" 2>&1 &
idle_pid=$!
pids+=("$idle_pid")
x7=$(wmctrl -l | awk '$4 == "Bench" && $5 == "window" && $6 == "7" {print $1}')
close_taken() { ! xprop -id "$x7" _NET_WM_ALLOWED_ACTIONS | grep -q CLOSE; }
wait_for 30 close_taken || { echo "hoverdeck did not apply its rule:" >&2; cat "$work/program.log" >&2; exit 1; }
# Through the extension, not through XWayland alone: the program holds its bus name.
owner=$(gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
  -m org.freedesktop.DBus.GetConnectionUnixProcessID org.example.Hoverdeck 2>/dev/null |
  sed -n 's/.*uint32 \([0-9]*\).*/\1/p')
[ "$owner" = "$program_pid" ] || { echo "hoverdeck does not run through the extension" >&2; exit 1; }
sleep 3  # past start-up

# Every method call between the program and the shell: the extension's reports to the program,
# the program's commands and questions to the extension.
dbus-monitor --session "path='/GnomeWindows'" "path='/org/example/Hoverdeck/Shell'" \
  >"$work/monitor.log" 2>&1 &
monitor_pid=$!
pids+=("$monitor_pid")
sleep 1
ns_before=$(cpu_ns "$program_pid")
idle_before=$(cpu_ns "$idle_pid")
time_before=$(date +%s%N)
sleep "$seconds"
ns_after=$(cpu_ns "$program_pid")
idle_after=$(cpu_ns "$idle_pid")
time_after=$(date +%s%N)
calls=$(grep -c '^method call' "$work/monitor.log" || true)
listed=$(grep -c '^Bench window' <(wmctrl -l | awk '{$1=$2=$3=""; print substr($0, 4)}') || true)

echo "Hoverdeck over $(gnome-shell --version) (gnome-shell --headless, software rendering)"
echo
echo "| windows (native + XWayland) | seconds | hoverdeck CPU/tick | idle Qt program CPU/tick | difference | D-Bus calls with the shell | calls/tick |"
echo "|---|---|---|---|---|---|---|"
awk -v n=$((2 * per_kind)) -v ns=$((ns_after - ns_before)) -v idle=$((idle_after - idle_before)) \
    -v wall=$((time_after - time_before)) -v calls="$calls" 'BEGIN {
  ticks = wall / 1e9
  printf "| %d | %.1f | %.3f ms | %.3f ms | %+.3f ms | %d | %.2f |\n", n, ticks, ns / 1e6 / ticks,
    idle / 1e6 / ticks, (ns - idle) / 1e6 / ticks, calls, calls / ticks
}'
echo
echo "(XWayland windows listed by wmctrl: $listed of $per_kind)"
