#!/usr/bin/env bash
# End-to-end checks of the hoverdeck program: the real executable and real X clients on a private
# Xvfb display managed by IceWM, looked at from outside with xprop, xwininfo and xdotool.
# Usage: e2e.sh rules|no-tray|session|hotkey HOVERDECK
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${HOVERDECK_E2E_SCRATCH:-}" ]; then
  [ "$#" -eq 2 ] || { echo "usage: $0 rules|no-tray|session|hotkey HOVERDECK" >&2; exit 2; }
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-e2e.XXXXXX")
  trap 'rm -rf "$scratch"' EXIT
  # IceWM's own notification area stays off: each case decides whether a tray runs. Its
  # Win95Keys (on by default) would take every Super combination from the hotkey.
  mkdir -p "$scratch/icewm" "$scratch/app"
  printf 'TaskBarEnableSystemTray=0\nWin95Keys=0\n' >"$scratch/icewm/preferences"
  # In the background, so a TERM (a test timeout) reaches the checks at once.
  HOVERDECK_E2E_SCRATCH=$scratch ICEWM_PRIVCFG=$scratch/icewm \
    "$here/../x11/run-under-xvfb.sh" "$0" "$@" &
  child=$!
  trap '[ -s "$scratch/checks.pid" ] && kill "$(cat "$scratch/checks.pid")"; wait "$child"; exit 143' TERM INT
  wait "$child"
  exit $?
fi

# ---- From here on: inside the private display ----
# shellcheck source=xwin.sh
. "$here/xwin.sh"
scratch=$HOVERDECK_E2E_SCRATCH
echo "$$" >"$scratch/checks.pid"
app=$scratch/app
cp "$2" "$app/hoverdeck"
failures=0
trap stop_started EXIT
trap 'exit 143' TERM

check() {
  if "${@:2}"; then echo "ok:   $1"; else echo "FAIL: $1"; failures=$((failures + 1)); fi
}
fatal() {
  echo "FAIL: $*"
  cat "$scratch"/hoverdeck*.log 2>/dev/null || true
  exit 1
}
not() { ! "$@"; }
# Whether a process has ended (gone, or a zombie).
ended() { case "$(ps -o stat= -p "$1" 2>/dev/null)" in "" | Z*) true ;; *) false ;; esac; }

# Writes the INI (standard input) beside the program.
ini() { sed 's/$/\r/' | tee "$scratch/ini.before" >"$app/Hoverdeck.ini"; }
ini_unchanged() { cmp -s "$scratch/ini.before" "$app/Hoverdeck.ini"; }
# Starts the program (pid in $hd_pid) on the display spelled $spelling if set. No D-Bus session:
# Qt must find the XEmbed tray of this display.
launch() {
  env -u DBUS_SESSION_BUS_ADDRESS -u QT_QPA_PLATFORMTHEME QT_QPA_PLATFORM=xcb \
    DISPLAY="${spelling:-$DISPLAY}" "$app/hoverdeck" "$@" >>"$scratch/hoverdeck.log" 2>&1 &
  hd_pid=$!
  started+=("$hd_pid")
}
start_hoverdeck() {
  launch "$@"
  wait_for 15 main_window >/dev/null || fatal "hoverdeck's main window did not appear"
  main=$(main_window)
}
main_window() { xdotool search --all --pid "$hd_pid" --name '^Hoverdeck 1\.1h' 2>/dev/null | head -n 1 | grep .; }
# The program's window inside the tray: its icon.
tray_icon() {
  local window tray_window
  for window in $(xdotool search --pid "$hd_pid" 2>/dev/null); do
    for tray_window in $(xdotool search --pid "$tray_pid" 2>/dev/null); do
      inside_window "$window" "$tray_window" && [ "$(map_state "$window")" = IsViewable ] &&
        echo "$window" && return 0
    done
  done
  return 1
}
has_tray_icon() { tray_icon >/dev/null; }
message_boxes() { xdotool search --all --onlyvisible --pid "$hd_pid" --name '^Hoverdeck - 1\.1h$' 2>/dev/null || true; }
message_box_shown() { [ -n "$(message_boxes)" ]; }
# Answers the one box shown with the key given.
answer_box() {
  [ "$(message_boxes | grep -c .)" -eq 1 ] || return 1
  xdotool windowactivate --sync "$(message_boxes)" 2>/dev/null || true
  xdotool key "$1"
  wait_for 5 not message_box_shown
}
# Qt's popup menu: a shown override-redirect window of the program other than its tray icon.
popup_menu_shown() {
  local window icon
  icon=$(tray_icon) || true
  for window in $(xdotool search --onlyvisible --pid "$hd_pid" 2>/dev/null); do
    [ "$window" != "$icon" ] && xwininfo -id "$window" | grep -q 'Override Redirect State: yes' && return 0
  done
  return 1
}
# Opens the icon's menu with the right button and picks Exit (its mnemonic is E).
exit_from_tray_menu() {
  xdotool mousemove --window "$(tray_icon)" 10 10 click 3
  wait_for 5 popup_menu_shown || fatal "the tray menu did not open"
  xdotool key e
  wait_for 5 message_box_shown || fatal "no quit question after Exit"
}
main_hidden() {
  [ "$(map_state "$main")" = IsUnMapped ] && ! in_client_list "$main" &&
    case "$(wm_state "$main")" in none | Withdrawn) true ;; *) false ;; esac
}
main_shown() { [ "$(map_state "$main")" = IsViewable ] && [ "$(wm_state "$main")" = Normal ]; }
main_iconic() { [ "$(wm_state "$main")" = Iconic ] && in_client_list "$main"; }
tray() { start_tray --edge bottom --align right --width 160 --height 24 || fatal "trayer did not show up"; }
# Starts xlogo titled $2 into the variable named $1.
window() { start_client "$1" "$2" xlogo -title "$2" || fatal "no window $2"; }
# Starts xlogo titled $2 into $1 and waits until a tick of the program has made it topmost.
tick_seen() { window "$1" "$2" && wait_for 3 is_above "${!1}"; }

# ---- Cases ----

# Each window gets only what its own checked rules give.
rules_applied() {
  [ "$(for w in "$notes" "$both" "$logbook" "$lower" "$memo"; do describe "$w"; done)" = \
    'caption="[TOPMOST] Notes - Editor" above=yes close=yes
caption="[TOPMOST] Notes and Logbook" above=yes close=no
caption="Ship Logbook" above=no close=no
caption="notes in lower case" above=no close=yes
caption="Draft Memo" above=no close=yes' ] &&
    motif_close_removed "$both" && motif_close_removed "$logbook" && ! motif_close_removed "$notes"
}

case_rules() {
  tray
  window notes "Notes - Editor"
  window lower "notes in lower case"
  window memo "Draft Memo"
  window logbook "Ship Logbook"
  start_client both "Notes and Logbook" xterm -T "Notes and Logbook" -geometry 60x10+400+300 ||
    fatal "no Notes and Logbook"
  # Unchecked rules (Memo, Draft) and the case of the letters keep windows out.
  ini <"$here/rules.ini"
  start_hoverdeck
  check "matching windows are above, marked and without close within 3 s" wait_for 3 rules_applied
  # A window opened later is caught by a later tick: only then are the others looked at again.
  check "a later tick: the marker once, the other windows untouched" eval 'tick_seen ticked "Notes 1" && rules_applied'
  check "started minimised: hidden, and the icon in the tray" eval 'main_hidden && has_tray_icon'
  xdotool mousemove --window "$(tray_icon)" 10 10 click --repeat 2 --delay 80 1
  check "a double click on the icon shows the main window" wait_for 5 main_shown
  xdotool windowminimize "$main"
  check "minimising hides it in the tray again" wait_for 5 eval 'main_hidden && has_tray_icon'
  # Having been shown must not keep the refresh paused: a new matching window is caught.
  window later "Notes 2"
  check "back in the tray, a new matching window is made topmost within 3 s" wait_for 3 is_above "$later"
  exit_from_tray_menu
  answer_box Return
  check "Exit from the tray menu and Yes end the program normally" eval 'wait_for 5 ended "$hd_pid" && wait "$hd_pid"'
  check "afterwards the windows keep their state" eval 'sleep 1.5 && rules_applied'
  check "the INI file was never rewritten" ini_unchanged
}

case_no_tray() {
  window notes "Notes - Editor"
  printf '[Configuration]\nSetTopMostCaption=1\n[TopMostWindows]\nWin1=Notes\nchkWin1=1\n[DisableX]\nWin1=Notes\nchkWin1=1\n' | ini
  start_hoverdeck
  wait_for 5 main_shown || fatal "the main window did not show"
  # A tick is seen when it takes the close box of a window opened after the start.
  window shown "Notes shown"
  check "shown normally, a tick applies the close rule but the topmost rule waits" eval 'wait_for 3 motif_close_removed "$shown" && not is_above "$shown" && not is_above "$notes"'
  xdotool windowminimize "$main"
  check "minimising leaves the window iconic in the taskbar" wait_for 5 main_iconic
  check "one message box explains the missing tray" wait_for 5 answer_box Return
  check "minimised counts as minimised: the topmost rule applies" wait_for 3 is_above "$notes"
  xdotool windowactivate --sync "$main" 2>/dev/null || true
  check "the taskbar brings the window back" wait_for 5 main_shown
  xdotool windowminimize "$main"
  check "minimised again, iconic, ticking, and nothing said the second time" eval 'wait_for 5 main_iconic && tick_seen again "Notes again" && not message_box_shown'
  tray
  check "a tray that comes later takes the icon and the window" wait_for 5 eval 'has_tray_icon && main_hidden'
  kill "$tray_pid"
  check "the tray gone, the window is back iconic, ticking, nothing said" eval 'wait_for 5 main_iconic && tick_seen last "Notes last" && not message_box_shown'
}

case_session() {
  tray
  printf '[Configuration]\nMinimized=1\n[TopMostWindows]\nWin1=Notes\nchkWin1=1\n' | ini
  start_hoverdeck
  wait_for 5 has_tray_icon || fatal "no tray icon"
  local first=$hd_pid
  # The same display spelled ":N.0": the second start says so and leaves, the first runs on.
  spelling=$DISPLAY.0 launch
  check "a second start on $DISPLAY.0 says 'Program already running'" wait_for 10 message_box_shown
  check "and leaves once it is answered" eval 'answer_box Return && wait_for 5 ended "$hd_pid"'
  spelling=$DISPLAY.0 launch -s
  check "with -s it leaves without a word" eval 'wait_for 5 ended "$hd_pid" && wait "$hd_pid"'
  hd_pid=$first
  check "the first instance runs on, in the tray" eval 'not ended "$hd_pid" && has_tray_icon'

  exit_from_tray_menu
  window later "Notes 3"
  check "with the quit question open, a new matching window is made topmost" wait_for 3 is_above "$later"
  answer_box Escape
  check "answering No keeps the program running and ticking" eval 'tick_seen after "Notes 4" && not ended "$hd_pid"'
  kill -TERM "$hd_pid"
  check "SIGTERM ends the program through its normal exit" eval 'wait_for 5 ended "$hd_pid" && wait "$hd_pid"'
  check "its icon left the tray" not has_tray_icon
  start_hoverdeck -s
  check "a new start on the display runs: the display is free again" main_window
  check "the INI file was never rewritten" ini_unchanged
}

# Holds the X grab of Ctrl+Super+T (with Num Lock too) in another client until killed.
grab_elsewhere() {
  /usr/bin/python3 -c '
import ctypes, signal, time
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = x.XSync.argtypes = [ctypes.c_void_p]
x.XGrabKey.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_uint, ctypes.c_ulong] + [ctypes.c_int] * 3
x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
d = x.XOpenDisplay(None)
for lock in (0, 16):
    x.XGrabKey(d, x.XKeysymToKeycode(d, ord("t")), 4 | 64 | lock, x.XDefaultRootWindow(d), 1, 1, 1)
x.XSync(d, 0)
print("held", flush=True)
signal.pause()' >"$scratch/grab.log" 2>&1 &
  grab_pid=$!
  started+=("$grab_pid")
  wait_for 5 grep -q held "$scratch/grab.log"
}
# The key pressed with the keyboard focus on window $1.
press_in() { xdotool windowactivate --sync "$1" 2>/dev/null || true; xdotool key "$2"; }
hotkey_box() { xdotool search --all --onlyvisible --pid "$hd_pid" --name '^Hotkey for the active window$' 2>/dev/null | grep -q .; }

case_hotkey() {
  tray
  window notes "Notes - Editor"
  printf '[Configuration]\nSetTopMostCaption=1\n' | ini
  grab_elsewhere || fatal "no other client holds the combination"
  start_hoverdeck
  check "a combination held by another client is told once, naming it" eval 'wait_for 5 message_box_shown && answer_box Return'
  kill "$grab_pid"
  press_in "$notes" ctrl+super+t
  check "and the program runs on without it" eval 'sleep 1 && not is_above "$notes" && not ended "$hd_pid"'
  # Taken into use without a restart: the dialog picks another combination and writes it.
  press_in "$main" alt+c
  xdotool key h
  check "Configuration > Hotkey for the active window opens the box" wait_for 5 hotkey_box
  xdotool key ctrl+super+t Return
  check "OK closes the box, the INI holds the choice" wait_for 5 eval 'not hotkey_box && grep -q "^TopmostHotkey=Ctrl+Super+T" "$app/Hoverdeck.ini"'
  press_in "$notes" ctrl+super+t
  # Qt's balloon is a window of its own that takes no focus, as the popup menu is.
  check "a notice comes from the tray icon, the focus stays" eval 'wait_for 3 popup_menu_shown && xprop -root _NET_ACTIVE_WINDOW | grep -q "$(printf 0x%x "$notes")"'
  check "the combination makes the active window topmost, the marker follows" wait_for 3 eval 'is_above "$notes" && [ "$(caption "$notes")" = "[TOPMOST] Notes - Editor" ]'
  press_in "$notes" ctrl+super+t
  check "and pressed again no longer topmost" wait_for 3 not is_above "$notes"
  press_in "$main" ctrl+super+t
  check "Hoverdeck's own window is left alone" eval 'sleep 1 && not is_above "$main"'
  # A desktop window (as a file manager draws the desktop with): typed before it is mapped.
  window desk "Desk"
  xdotool windowunmap --sync "$desk"
  xprop -id "$desk" -f _NET_WM_WINDOW_TYPE 32a -set _NET_WM_WINDOW_TYPE _NET_WM_WINDOW_TYPE_DESKTOP
  xdotool windowmap --sync "$desk"
  press_in "$desk" ctrl+super+t
  check "so is the desktop" eval 'sleep 1 && xprop -root _NET_ACTIVE_WINDOW | grep -q "$(printf 0x%x "$desk")" && not is_above "$desk" && not is_above "$notes"'
  check "the INI was written once, with the one key" eval '[ "$(tr -d "\r" <"$app/Hoverdeck.ini")" = "$(printf "[Configuration]\nSetTopMostCaption=1\nTopmostHotkey=Ctrl+Super+T")" ]'
}

"case_${1//-/_}"
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; cat "$scratch/hoverdeck.log"; exit 1; }
echo "all checks passed"
