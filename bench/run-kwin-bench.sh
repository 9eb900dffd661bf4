#!/usr/bin/env bash
# The Linux edition over KWin on Wayland: inside a headless KWin (kwin_wayland --virtual, through
# tests/kwin/run-under-kwin.sh), opens 200 windows (half native, half XWayland), runs the
# hoverdeck program on them and measures its CPU per tick against a Qt program with a 1 s timer
# doing nothing, over the same time, and the D-Bus calls it exchanges with KWin meanwhile.
# Headless KWin has no notification area; a small stand-in for one (hoverdeck_sni_watcher) lets
# both sit in the tray, hoverdeck started minimised there, as on a Plasma desktop.
# Usage: bench/run-kwin-bench.sh [BUILD_DIR]   (default: build/linux; build it first)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/linux}" && pwd)
windows="$build/bench/hoverdeck_kwin_bench_windows"
idle_timer="$build/bench/hoverdeck_x11_idle_timer"
watcher="$build/bench/hoverdeck_sni_watcher"
program="$build/src/ui/qt/hoverdeck"
if [ "${HOVERDECK_KWIN_BENCH_INNER:-}" != 1 ]; then
  for tool in "$windows" "$idle_timer" "$watcher" "$program"; do
    [ -x "$tool" ] || { echo "missing $tool: build the linux preset first" >&2; exit 1; }
  done
  HOVERDECK_KWIN_BENCH_INNER=1 exec "$here/../tests/kwin/run-under-kwin.sh" "$0" "$build"
fi

seconds=${HOVERDECK_BENCH_SECONDS:-20}
per_kind=${HOVERDECK_BENCH_WINDOWS:-100}
work=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-kwin-bench.XXXXXX")
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
for platform in wayland xcb; do
  QT_QPA_PLATFORM=$platform "$windows" "$per_kind" >"$work/$platform.out" 2>&1 &
  pids+=($!)
  ready() { grep -q '^ready$' "$work/$platform.out"; }
  wait_for 120 ready || { echo "the $platform windows did not come up" >&2; exit 1; }
done
sleep 2

mkdir -p "$work/app"
cp "$program" "$work/app/hoverdeck"
# One close rule matches an XWayland window, so the rules are seen at work; nothing else changes.
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
sleep 3  # past start-up

# Every method call between the program and KWin: the script's reports to the program, the
# program's calls to KWin.
dbus-monitor --session "path='/Windows'" "interface='org.kde.KWin'" \
  "interface='org.kde.kwin.Scripting'" >"$work/monitor.log" 2>&1 &
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

echo "Hoverdeck over KWin $(kwin_wayland --version 2>/dev/null | awk '{print $2}') (kwin_wayland --virtual, software rendering)"
echo
echo "| windows (native + XWayland) | seconds | hoverdeck CPU/tick | idle Qt program CPU/tick | difference | D-Bus calls with KWin | calls/tick |"
echo "|---|---|---|---|---|---|---|"
awk -v n=$((2 * per_kind)) -v ns=$((ns_after - ns_before)) -v idle=$((idle_after - idle_before)) \
    -v wall=$((time_after - time_before)) -v calls="$calls" 'BEGIN {
  ticks = wall / 1e9
  printf "| %d | %.1f | %.3f ms | %.3f ms | %+.3f ms | %d | %.2f |\n", n, ticks, ns / 1e6 / ticks,
    idle / 1e6 / ticks, (ns - idle) / 1e6 / ticks, calls, calls / ticks
}'
echo
echo "(XWayland windows listed by wmctrl: $listed of $per_kind)"
