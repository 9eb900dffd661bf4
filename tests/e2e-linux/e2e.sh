#!/usr/bin/env bash
# End-to-end checks of the hoverdeck program: the real executable and real X clients on a private
# Xvfb display managed by IceWM, looked at from outside with xprop, xwininfo and xdotool.
#
# Usage: e2e.sh CASE HOVERDECK WINDOW_OWNER
#   rules    with a tray (trayer): started minimised, the checked rules reach the matching
#            windows within two ticks, nothing else is touched, the INI stays as it was; then
#            the tray menu's Exit ends the program and the windows keep what they got
#   tray     with a tray: the window hides in it, a double click on the icon brings it back,
#            minimising hides it again, and answering No to the quit question keeps it running
#   no-tray  without any tray: minimising leaves the window iconic in the taskbar and one
#            message says why, once; started again minimised, it is iconic from the start, a
#            tray that comes later takes the icon and the window, and when that tray goes the
#            window is back, iconic in the taskbar
#   session  with a tray: the rules hold while the quit question is open, and SIGTERM then
#            ends the program normally: icon gone, single-instance lock free
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${HOVERDECK_E2E_SCRATCH:-}" ]; then
  if [ "$#" -ne 3 ]; then
    echo "usage: $0 rules|tray|no-tray|session HOVERDECK WINDOW_OWNER" >&2
    exit 2
  fi
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-e2e.XXXXXX")
  trap 'rm -rf "$scratch"' EXIT
  trap 'exit 143' TERM
  trap 'exit 130' INT
  # IceWM's own notification area stays off: each case decides whether a tray runs.
  mkdir -p "$scratch/icewm" "$scratch/run"
  chmod 700 "$scratch/run"
  printf 'TaskBarEnableSystemTray=0\n' >"$scratch/icewm/preferences"
  # In the background, so a TERM (a test timeout) reaches the checks at once: they stop their
  # processes, then the display goes down.
  HOVERDECK_E2E_SCRATCH=$scratch ICEWM_PRIVCFG=$scratch/icewm \
    "$here/../x11/run-under-xvfb.sh" "$0" "$@" &
  child=$!
  stop() {
    [ -s "$scratch/checks.pid" ] && kill -TERM "$(cat "$scratch/checks.pid")" 2>/dev/null
    wait "$child" 2>/dev/null
    exit "$1"
  }
  trap 'stop 143' TERM
  trap 'stop 130' INT
  status=0
  wait "$child" || status=$?
  exit "$status"
fi

# ---- From here on: inside the private display ----

# shellcheck source=xwin.sh
. "$here/xwin.sh"

case_name=$1
hoverdeck=$2
window_owner=$3
scratch=$HOVERDECK_E2E_SCRATCH
echo "$$" >"$scratch/checks.pid"
app=$scratch/app
hd_pid=""
failures=0

cleanup() {
  exec 7>&- 2>/dev/null || true
  stop_started
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

log() { printf '%s\n' "$*"; }
check() {
  local what=$1
  shift
  if "$@"; then
    log "ok:   $what"
  else
    log "FAIL: $what"
    failures=$((failures + 1))
  fi
}
fatal() {
  log "FAIL: $*"
  [ -s "$scratch/hoverdeck.log" ] && { log "--- hoverdeck output:"; cat "$scratch/hoverdeck.log"; }
  exit 1
}

# Whether a process of ours has ended (gone, or a zombie waiting to be collected).
ended() {
  local stat
  stat=$(ps -o stat= -p "$1" 2>/dev/null) || return 0
  [ -z "$stat" ] || [ "${stat:0:1}" = Z ]
}

# ---- The cast ----

# Windows of the helper client, one caption each; their ids land in the array named by $1.
start_owner() {
  local into=$1 title
  shift
  local arguments=()
  for title in "$@"; do arguments+=(--window --net-name "$title"); done
  mkfifo "$scratch/owner.in"
  "$window_owner" "${arguments[@]}" <"$scratch/owner.in" >"$scratch/owner.out" &
  started+=($!)
  # The helper keeps its windows until this descriptor closes.
  exec 7>"$scratch/owner.in"
  wait_for 15 grep -qx ready "$scratch/owner.out" || fatal "the window owner did not get ready"
  mapfile -t "$into" < <(grep -v ready "$scratch/owner.out")
}

# Copies the program beside the INI given on standard input and starts it.
start_hoverdeck() {
  mkdir -p "$app"
  cp "$hoverdeck" "$app/hoverdeck"
  sed 's/$/\r/' >"$app/Hoverdeck.ini"
  cp "$app/Hoverdeck.ini" "$scratch/ini.before"
  # No D-Bus session: Qt must find the XEmbed tray of this display, not one of the user's desktop.
  env -u DBUS_SESSION_BUS_ADDRESS -u QT_QPA_PLATFORMTHEME QT_QPA_PLATFORM=xcb \
    XDG_RUNTIME_DIR="$scratch/run" "$app/hoverdeck" "$@" >"$scratch/hoverdeck.log" 2>&1 &
  hd_pid=$!
  started+=("$hd_pid")
  wait_for 15 main_window >/dev/null || fatal "hoverdeck's main window did not appear"
  main=$(main_window)
}
main_window() {
  xdotool search --all --pid "$hd_pid" --name '^Hoverdeck 1\.1h' 2>/dev/null | head -n 1 | grep .
}

# The program's windows inside the tray: its icon.
tray_icon() {
  local window tray_window
  for window in $(xdotool search --pid "$hd_pid" 2>/dev/null); do
    for tray_window in $(xdotool search --pid "$tray_pid" 2>/dev/null); do
      if inside_window "$window" "$tray_window" && [ "$(map_state "$window")" = IsViewable ]; then
        printf '%s\n' "$window"
        return 0
      fi
    done
  done
  return 1
}

message_boxes() {
  xdotool search --all --onlyvisible --pid "$hd_pid" --name '^Hoverdeck - 1\.1h$' 2>/dev/null || true
}
message_box_shown() { [ -n "$(message_boxes)" ]; }
message_box_count() { message_boxes | grep -c . || true; }

# Qt's popup menu: a shown override-redirect window of the program other than its tray icon.
popup_menu_shown() {
  local window icon
  icon=$(tray_icon) || return 1
  for window in $(xdotool search --onlyvisible --pid "$hd_pid" 2>/dev/null); do
    [ "$window" = "$icon" ] && continue
    xwininfo -id "$window" 2>/dev/null | grep -q 'Override Redirect State: yes' && return 0
  done
  return 1
}
has_tray_icon() { tray_icon >/dev/null; }

# Opens the icon's menu with the right button and picks Exit (its mnemonic is E).
exit_from_tray_menu() {
  local icon
  icon=$(tray_icon) || fatal "no tray icon to click"
  xdotool mousemove --window "$icon" 10 10 click 3
  wait_for 5 popup_menu_shown || fatal "the tray menu did not open"
  xdotool key e
  wait_for 5 message_box_shown || fatal "no quit question after Exit"
  xdotool windowactivate --sync "$(message_boxes | head -n 1)" 2>/dev/null || true
}

main_hidden() {
  [ "$(map_state "$main")" = IsUnMapped ] && ! in_client_list "$main" &&
    case "$(wm_state "$main")" in none | Withdrawn) true ;; *) false ;; esac
}
main_shown() { [ "$(map_state "$main")" = IsViewable ] && [ "$(wm_state "$main")" = Normal ]; }
main_iconic() { [ "$(wm_state "$main")" = Iconic ] && in_client_list "$main"; }

ini_unchanged() {
  cmp -s "$scratch/ini.before" "$app/Hoverdeck.ini" && return 0
  log "--- Hoverdeck.ini changed:"
  diff <(tr -d '\r' <"$scratch/ini.before") <(tr -d '\r' <"$app/Hoverdeck.ini") || true
  return 1
}

# ---- Cases ----

# What each window must look like once the rules are enforced.
touched_as_expected() {
  [ "$(caption "$notes")" = "[TOPMOST] Notes - Editor" ] && is_above "$notes" &&
    [ "$(caption "$both")" = "[TOPMOST] Notes and Logbook" ] && is_above "$both" &&
    ! close_offered "$both" && motif_close_removed "$both" &&
    ! close_offered "$logbook" && motif_close_removed "$logbook"
}

# The topmost window keeps its close button, the one without a close button stays below, and the
# windows matching no checked rule keep everything.
untouched_as_expected() {
  local window
  close_offered "$notes" && ! motif_close_removed "$notes" &&
    ! is_above "$logbook" && [ "$(caption "$logbook")" = "Ship Logbook" ] || return 1
  for window in "${others[@]}"; do
    [ "$(caption "$window")" = "${other_titles[$window]}" ] && ! is_above "$window" &&
      close_offered "$window" && ! motif_close_removed "$window" || return 1
  done
}

case_rules() {
  start_tray --edge bottom --align right --width 160 --height 24 || fatal "trayer did not show up"
  local owned=()
  start_owner owned "Notes - Editor" "notes in lower case" "Draft Memo" "Calculator"
  notes=${owned[0]}
  others=("${owned[@]:1}")
  declare -gA other_titles=(
    [${owned[1]}]="notes in lower case" [${owned[2]}]="Draft Memo" [${owned[3]}]="Calculator")
  # Real clients: an Xt program that names itself through WM_NAME only, and a terminal.
  start_client logbook "Ship Logbook" xlogo -title "Ship Logbook" || fatal "no Ship Logbook"
  start_client both "Notes and Logbook" xterm -T "Notes and Logbook" -geometry 60x10+400+300 ||
    fatal "no Notes and Logbook"
  for window in "$notes" "$logbook" "$both" "${others[@]}"; do log "before: $(describe "$window")"; done
  untouched_as_expected || fatal "the windows were not in their starting state"

  # Unchecked rules (Memo, Draft) and the case of the letters must keep windows out. The entries
  # are in the catalogues' own order: an unsorted section would be written back sorted.
  start_hoverdeck <<'EOF'
[Configuration]
SetAllTopMost=0
SetTopMostCaption=1
ConstTopMost="[TOPMOST] "
SetAllDisableX=0
Minimized=1
[TopMostWindows]
Win1=Memo
chkWin1=0
Win2=Notes
chkWin2=1
[DisableX]
Win1=Draft
chkWin1=0
Win2=Logbook
chkWin2=1
EOF
  local begin elapsed
  begin=$(now_ms)
  wait_for 3 touched_as_expected || true
  elapsed=$(($(now_ms) - begin))
  for window in "$notes" "$logbook" "$both" "${others[@]}"; do log "after:  $(describe "$window")"; done
  check "matching windows are above, marked and without close within 3 s (${elapsed} ms)" \
    touched_as_expected
  # Further ticks must neither mark twice nor reach the other windows.
  sleep 2.2
  check "still so two ticks later, the marker once" touched_as_expected
  check "the other windows are untouched" untouched_as_expected
  check "started minimised: the main window is hidden" main_hidden
  check "the tray holds the program's icon" has_tray_icon
  check "the INI file was not rewritten" ini_unchanged

  exit_from_tray_menu
  xdotool key Return
  wait_for 5 ended "$hd_pid" || fatal "hoverdeck did not end after Yes"
  local status=0
  wait "$hd_pid" || status=$?
  check "Exit from the tray menu and Yes end the program normally (status $status)" \
    test "$status" -eq 0
  sleep 1.5
  check "the windows keep their state after the program ended" touched_as_expected
  check "the other windows are still untouched" untouched_as_expected
  check "the INI file is still as it was" ini_unchanged
}

# A tray, then the program started minimised into it with one topmost rule for "Notes".
start_in_tray_with_notes_rule() {
  start_tray --edge bottom --align right --width 160 --height 24 || fatal "trayer did not show up"
  start_hoverdeck <<'EOF'
[Configuration]
Minimized=1
[TopMostWindows]
Win1=Notes
chkWin1=1
EOF
}

case_tray() {
  start_in_tray_with_notes_rule
  wait_for 5 has_tray_icon || true
  check "the tray holds the program's icon" has_tray_icon
  sleep 1.2
  check "started minimised: the main window is hidden, not in the taskbar" main_hidden

  local icon
  icon=$(tray_icon) || fatal "no tray icon"
  xdotool mousemove --window "$icon" 10 10 click --repeat 2 --delay 80 1
  wait_for 5 main_shown || true
  check "a double click on the icon shows the main window" main_shown

  xdotool windowminimize "$main"
  wait_for 5 main_hidden || true
  check "minimising hides it in the tray again" main_hidden
  check "the icon stays in the tray" has_tray_icon
  # Having been shown must not keep the refresh paused: a new matching window is caught.
  local later
  start_client later "Notes 2" xlogo -title "Notes 2" || fatal "no Notes 2"
  wait_for 3 is_above "$later" || true
  check "back in the tray, a new matching window is made topmost within 3 s" is_above "$later"

  exit_from_tray_menu
  xdotool key Escape
  wait_for 5 eval '! message_box_shown' || true
  sleep 1.2
  check "answering No keeps the program running" eval '! ended "$hd_pid"'
  check "and its icon in the tray" has_tray_icon
  check "no message box left open" eval '! message_box_shown'
  check "the INI file was not rewritten" ini_unchanged
}

# The message box of the missing tray: exactly one, dismissed with its OK button.
expect_one_message_box() {
  wait_for 5 message_box_shown || true
  check "a message box titled 'Hoverdeck - 1.1h' explains the missing tray" message_box_shown
  check "exactly one" test "$(message_box_count)" -eq 1
  xdotool windowactivate --sync "$(message_boxes | head -n 1)" 2>/dev/null || true
  xdotool key Return
  wait_for 5 eval '! message_box_shown' || fatal "the message box did not close"
}

case_no_tray() {
  local owned=()
  start_owner owned "Notes - Editor"
  notes=${owned[0]}
  start_hoverdeck <<'EOF'
[Configuration]
SetTopMostCaption=1
ConstTopMost="[TOPMOST] "
Minimized=0
[TopMostWindows]
Win1=Notes
chkWin1=1
EOF
  wait_for 5 main_shown || fatal "the main window did not show"
  sleep 1.2
  check "shown normally, the topmost rule waits" eval '! is_above "$notes"'

  xdotool windowminimize "$main"
  wait_for 5 main_iconic || true
  check "minimising leaves the window iconic in the taskbar, not hidden" main_iconic
  expect_one_message_box
  check "still iconic after the message" main_iconic
  check "minimised counts as minimised: the topmost rule applies" wait_for 3 is_above "$notes"
  sleep 2.2
  check "no second message box on later ticks" eval '! message_box_shown'

  # Back from the taskbar, then minimised again.
  xdotool windowactivate --sync "$main" 2>/dev/null || true
  wait_for 5 main_shown || true
  check "the taskbar brings the window back" main_shown
  xdotool windowminimize "$main"
  wait_for 5 main_iconic || true
  check "minimising again leaves it iconic" main_iconic
  sleep 1.5
  check "and says nothing the second time" eval '! message_box_shown'
  check "the INI file was not rewritten" ini_unchanged

  # Started again minimised on this desktop without a tray: iconic in the taskbar from the start.
  kill -TERM "$hd_pid"
  wait_for 5 ended "$hd_pid" || fatal "hoverdeck did not end on SIGTERM"
  start_hoverdeck <<'EOF'
[Configuration]
Minimized=1
EOF
  expect_one_message_box
  wait_for 3 main_iconic || true
  check "started minimised, the main window comes up iconic in the taskbar" main_iconic

  # A tray that comes later takes the icon and the window; when it goes, the window is back.
  start_tray --edge bottom --align right --width 160 --height 24 || fatal "trayer did not show up"
  wait_for 5 has_tray_icon || true
  check "a tray that comes later takes the icon" has_tray_icon
  wait_for 3 main_hidden || true
  check "and the window hides in it" main_hidden
  kill "$tray_pid"
  wait_for 5 main_iconic || true
  check "the tray gone, the window is back iconic in the taskbar" main_iconic
  check "no second message" eval '! message_box_shown'
}

case_session() {
  start_in_tray_with_notes_rule
  wait_for 5 has_tray_icon || fatal "no tray icon"
  exit_from_tray_menu
  local later status=0
  start_client later "Notes 3" xlogo -title "Notes 3" || fatal "no Notes 3"
  check "with the quit question open, a new matching window is made topmost" \
    wait_for 3 is_above "$later"
  check "the question is still open" message_box_shown
  kill -TERM "$hd_pid"
  wait_for 5 ended "$hd_pid" || fatal "hoverdeck did not end on SIGTERM"
  wait "$hd_pid" || status=$?
  check "SIGTERM ends the program through its normal exit (status $status)" test "$status" -eq 0
  check "its icon left the tray" eval '! has_tray_icon'
  check "the single-instance lock is free" flock -n "$scratch"/run/hoverdeck-*.lock true
  check "the INI file was not rewritten" ini_unchanged
}

case "$case_name" in
  rules) case_rules ;;
  session) case_session ;;
  tray) case_tray ;;
  no-tray) case_no_tray ;;
  *) fatal "unknown case $case_name" ;;
esac

if [ -n "$hd_pid" ] && ! ended "$hd_pid"; then
  kill -TERM "$hd_pid"
  wait_for 5 ended "$hd_pid" || log "hoverdeck ignored SIGTERM"
fi
if [ "$failures" -ne 0 ]; then
  log "$failures check(s) failed"
  [ -s "$scratch/hoverdeck.log" ] && { log "--- hoverdeck output:"; cat "$scratch/hoverdeck.log"; }
  exit 1
fi
log "all checks passed"
