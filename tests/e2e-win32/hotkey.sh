#!/usr/bin/env bash
# Hoverdeck.exe's hotkey under Wine with IceWM on a private Xvfb display, keys pressed with
# xdotool. Wine holds no global grab: it delivers WM_HOTKEY for keys that reach one of its own
# windows, so the keys are pressed into a Wine window (the harness's window owner) given the
# focus through the window manager; Wine's windows are then X windows of their own, so no
# virtual desktop. Usage: hotkey.sh PREFIX HOVERDECK_EXE WINDOW_OWNER_EXE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${HOVERDECK_E2E_SCRATCH:-}" ]; then
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-wine-hotkey.XXXXXX")
  trap 'rm -rf "$scratch"' EXIT
  mkdir -p "$scratch/icewm" "$scratch/app"
  # IceWM's Win95Keys would take every Win (Super) combination itself.
  printf 'TaskBarEnableSystemTray=0\nWin95Keys=0\n' >"$scratch/icewm/preferences"
  prefix=$(realpath -m "$1")
  # A prefix of its own, made once: the runner's, without the virtual desktop.
  if [ ! -f "$prefix/.hoverdeck-no-desktop" ]; then
    "$here/../win32/run-under-wine.sh" --prefix "$prefix" --prepare
    (export WINEPREFIX=$prefix WINEDEBUG=-all; unset DISPLAY
      /usr/lib/wine/wine64 reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f; wineserver -w) >/dev/null 2>&1 || true
    touch "$prefix/.hoverdeck-no-desktop"
  fi
  HOVERDECK_E2E_SCRATCH=$scratch ICEWM_PRIVCFG=$scratch/icewm \
    "$here/../x11/run-under-xvfb.sh" "$0" "$prefix" "${@:2}"
  exit $?
fi

# ---- From here on: inside the private display ----
. "$here/../e2e-linux/xwin.sh"
scratch=$HOVERDECK_E2E_SCRATCH app=$scratch/app
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
cp "$2" "$app/Hoverdeck.exe"
printf '[Configuration]\r\nSetTopMostCaption=1\r\n' >"$app/Hoverdeck.ini"
failures=0
trap 'stop_started; wineserver -k 2>/dev/null || true' EXIT
check() {
  if "${@:2}"; then echo "ok:   $1"; else echo "FAIL: $1"; failures=$((failures + 1)); fi
}
fatal() { echo "FAIL: $*"; exit 1; }
not() { ! "$@"; }
alive() { kill -0 "$hd_pid" 2>/dev/null; }
window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 | grep .; }
# Wine takes the focus from the window manager when its window is clicked (an activation request
# alone leaves it where it was): a click on the title bar, above the window's client area, once
# the window is raised above the others.
active_is() { xprop -root _NET_ACTIVE_WINDOW | grep -qi "$(printf '0x%x' "$1")\$"; }
click_title() { xdotool windowraise "$1" mousemove --window "$1" 60 -8 click 1; sleep 0.3; active_is "$1"; }
press_in() {
  wait_for 5 click_title "$1" || echo "note: window $1 did not become active"
  sleep 0.3
  xdotool key "$2"
}

# The window owner holds Ctrl+Win+T in its first window before Hoverdeck starts.
start_client holder "Holder" "$wine" "$3" held k Holder || fatal "no window owner"
start_client notes "Notes - Editor" "$wine" "$3" notes - "Notes - Editor" || fatal "no window"
(cd "$app" && exec "$wine" Hoverdeck.exe) >"$scratch/hoverdeck.log" 2>&1 &
hd_pid=$!
started+=("$hd_pid")
check "a combination another program registered is told once, naming it" \
  wait_for 30 eval 'box=$(window_named "^Hoverdeck - 1.1h$")'
box_gone() { press_in "$box" Return; sleep 0.5; not window_named "^Hoverdeck - 1.1h$" >/dev/null; }
wait_for 10 box_gone || fatal "the box did not go"
main=$(wait_for 10 window_named '^Hoverdeck 1\.1h; ') || fatal "no main window"
kill "${started[0]}"
check "and the program runs on without it" eval 'press_in "$notes" ctrl+super+t && sleep 1 && not is_above "$notes" && alive'
# Taken into use without a restart: the box picks the combination and writes it.
press_in "$main" alt+c
xdotool key h
check "Configuration > Hotkey for the active window opens the box" \
  wait_for 10 eval 'hotkey_box=$(window_named "^Hotkey for the active window$")'
press_in "$hotkey_box" ctrl+super+t
xdotool key Return
check "OK closes the box and writes the choice once" wait_for 10 eval \
  '[ "$(tr -d "\r" <"$app/Hoverdeck.ini")" = "$(printf "[Configuration]\nSetTopMostCaption=1\nTopmostHotkey=Ctrl+Win+T")" ]'
press_in "$notes" ctrl+super+t
check "the combination makes the active window topmost, the marker follows" wait_for 5 eval \
  'is_above "$notes" && [ "$(caption "$notes")" = "[TOPMOST] Notes - Editor" ]'
press_in "$notes" ctrl+super+t
check "and pressed again no longer topmost" wait_for 5 not is_above "$notes"
press_in "$main" ctrl+super+t
check "Hoverdeck's own window is left alone" eval 'sleep 1 && not is_above "$main" && alive'
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
