#!/usr/bin/env bash
# Runs a command inside a headless GNOME Shell session (XWayland on) with a private session bus,
# a private system bus and a scratch HOME, then takes it down; the command's exit status is
# passed on. With --extension FOLDER (the built forms), the form of this shell is installed and
# turned on as the user's extension before the shell starts. The command can log out and in again through
# $HOVERDECK_GNOME_LOGIN (gnome-login.sh). Exits 77 (skipped) only when gnome-shell is missing or
# cannot start here.
set -euo pipefail
extension=""
if [ "${1:-}" = --extension ]; then extension=$2; shift 2; fi
[ "$#" -gt 0 ] || { echo "usage: $0 [--extension FOLDER] COMMAND [ARG...]" >&2; exit 2; }
skip() { echo "SKIPPED: gnome-shell cannot run here: $*" >&2; exit 77; }
command -v gnome-shell >/dev/null || skip "gnome-shell is not installed (scripts/install-deps test)"
for tool in dbus-run-session dbus-daemon gdbus gsettings; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-gnome.XXXXXX")
here=$(cd "$(dirname "$0")" && pwd)
system_bus=""
cleanup() {
  # A shell a failed command left running goes too.
  [ -s "$work/shell.pid" ] && kill -9 -- "-$(cat "$work/shell.pid")" 2>/dev/null || true
  [ -n "$system_bus" ] && kill "$system_bus" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/home/.config" "$work/home/.local/share"
mkdir -m 700 "$work/runtime"
[ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix

# GNOME Shell 48 ends at start in its end-session dialog without a system bus.
dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/system-bus" >/dev/null 2>&1 &
system_bus=$!

cat >"$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -u
work=$HOVERDECK_GNOME_WORK
# The form this shell loads: `imports` up to 44, ES modules from 45.
major=$(gnome-shell --version | grep -o '[0-9][0-9]*' | head -1)
form=$HOVERDECK_GNOME_EXTENSION/$([ "$major" -lt 45 ] && echo imports || echo module)
uuid=$(sed -n 's/.*"uuid": *"\([^"]*\)".*/\1/p' "$form/metadata.json" 2>/dev/null)
if [ -n "$uuid" ]; then
  mkdir -p "$HOME/.local/share/gnome-shell/extensions/$uuid"
  cp "$form"/* "$HOME/.local/share/gnome-shell/extensions/$uuid/"
  gsettings set org.gnome.shell enabled-extensions "['$uuid']"
fi
if ! session=$("$HOVERDECK_GNOME_LOGIN" login); then
  echo "gnome-shell did not start" >"$work/output"
  exit 0
fi
: >"$work/started"
status=0
env $session "$@" >"$work/output" 2>&1 || status=$?
echo "$status" >"$work/status"
"$HOVERDECK_GNOME_LOGIN" logout
SESSION
chmod +x "$work/session.sh"

HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
  DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/system-bus" HOVERDECK_GNOME_WORK="$work" \
  HOVERDECK_GNOME_LOGIN="$here/gnome-login.sh" HOVERDECK_GNOME_EXTENSION="$extension" \
  GSETTINGS_BACKEND=dconf timeout -k 5 270 dbus-run-session -- "$work/session.sh" "$@" >"$work/session.log" 2>&1 ||
  true

[ -e "$work/started" ] || skip "$(cat "$work/output" 2>/dev/null; tail -5 "$work"/shell-1.*.log 2>/dev/null)"
cat "$work/output"
if [ ! -s "$work/status" ]; then
  echo "the session ended (or was cut after 270 s) before the command finished:" >&2
  tail -n 20 "$work"/shell-*.log >&2
  exit 1
fi
status=$(cat "$work/status")
if [ "$status" != 0 ]; then
  echo "--- GNOME Shell's log:" >&2
  tail -n 30 "$work"/shell-*.log >&2
fi
exit "$status"
