# Shell helpers (bash) that start X clients and look at their windows from outside, on $DISPLAY.
# Sourced by the end-to-end tests and scripts/demo inside tests/x11/run-under-xvfb.sh.

# shellcheck source=../support/wait-for.sh
. "$(dirname "${BASH_SOURCE[0]}")/../support/wait-for.sh"

# The caption a window shows: _NET_WM_NAME when the client set one, WM_NAME otherwise.
caption() {
  local line
  line=$(xprop -id "$1" -notype _NET_WM_NAME 2>/dev/null) || return 1
  [[ "$line" == *' = "'* ]] || line=$(xprop -id "$1" -notype WM_NAME 2>/dev/null) || return 1
  line=${line#*= \"}
  printf '%s\n' "${line%\"}"
}

is_above() { xprop -id "$1" _NET_WM_STATE 2>/dev/null | grep -q '_NET_WM_STATE_ABOVE'; }

close_offered() { xprop -id "$1" _NET_WM_ALLOWED_ACTIONS 2>/dev/null | grep -q '_NET_WM_ACTION_CLOSE'; }

# Whether _MOTIF_WM_HINTS leaves out close (32); with ALL (1) the functions listed are taken away.
motif_close_removed() {
  local values flags functions
  values=$(xprop -id "$1" _MOTIF_WM_HINTS 2>/dev/null | sed -n 's/^_MOTIF_WM_HINTS([^)]*) = //p')
  [ -n "$values" ] || return 1
  IFS=', ' read -r flags functions _ <<<"$values"
  ((flags & 1)) || return 1
  if ((functions & 1)); then ((functions & 32)); else ! ((functions & 32)); fi
}

# The ICCCM state the window manager gave the window: Normal, Iconic, Withdrawn, or none.
wm_state() {
  local state
  state=$(xprop -id "$1" WM_STATE 2>/dev/null | sed -n 's/^[[:space:]]*window state: //p')
  printf '%s\n' "${state:-none}"
}

map_state() { xwininfo -id "$1" 2>/dev/null | sed -n 's/^[[:space:]]*Map State: //p'; }

# Whether the window manager lists the window as a client, as a taskbar shows it.
in_client_list() {
  xprop -root _NET_CLIENT_LIST 2>/dev/null | tr ',' '\n' | grep -qi "$(printf '0x%x' "$1")\$"
}

managed() {
  [ "$(wm_state "$1")" = Normal ] &&
    xprop -id "$1" _NET_WM_ALLOWED_ACTIONS 2>/dev/null | grep -q '_NET_WM_ACTION_'
}

# The parent of a window, as a decimal id; fails for the root window.
parent_of() {
  local hex
  hex=$(xwininfo -children -id "$1" 2>/dev/null | sed -n 's/^[[:space:]]*Parent window id: \(0x[0-9a-f]*\).*/\1/p')
  # Never ask xwininfo about window 0: it would wait for a click to pick one.
  [ -n "$hex" ] && [ "$((hex))" -ne 0 ] && printf '%d\n' "$hex"
}

# Whether window $1 lies anywhere inside window $2.
inside_window() {
  local window=$1 ancestor=$2 hops=0
  while [ "$hops" -lt 32 ] && window=$(parent_of "$window"); do
    [ "$window" = "$ancestor" ] && return 0
    hops=$((hops + 1))
  done
  return 1
}

# One line describing a window for logs.
describe() {
  local above=no close=yes
  is_above "$1" && above=yes
  close_offered "$1" || close=no
  printf 'caption="%s" above=%s close=%s\n' "$(caption "$1")" "$above" "$close"
}

# The processes the helpers started; stop_started ends them all (call it on EXIT).
started=()
stop_started() {
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${started[@]}"; do wait "$pid" 2>/dev/null || true; done
}

# Starts trayer (pid in $tray_pid) as the notification area with the placement options given.
start_tray() {
  trayer --widthtype pixel "$@" >/dev/null 2>&1 &
  tray_pid=$!
  started+=("$tray_pid")
  wait_for 15 tray_shown
}
tray_shown() { xdotool search --onlyvisible --pid "$tray_pid" >/dev/null 2>&1; }

# Starts the command after $2 and waits until its window titled $2 is managed; the window lands
# in the variable named by $1.
start_client() {
  local into=$1 title=$2 found
  shift 2
  "$@" >/dev/null 2>&1 &
  started+=($!)
  found=$(timeout 15 xdotool search --sync --name "^${title}\$" | head -n 1) &&
    wait_for 15 managed "$found" || return 1
  printf -v "$into" '%s' "$found"
}
