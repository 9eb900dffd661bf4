#!/usr/bin/env bash
# Runs a Windows test program under Wine, in a Wine prefix of the build tree, on a virtual X
# display unless one is given.
#
#   run-under-wine.sh --prefix DIR [--console] [--timeout SECONDS] PROGRAM [ARG...]
#   run-under-wine.sh --prefix DIR --prepare
#
# --prepare only creates the prefix (done once, under a lock; otherwise on first use).
# --console runs without any display, for programs that open no window; several may share a
#   prefix at once.
# Without --console the program gets the prefix to itself: runs queue on a lock, and every Wine
# process of the prefix is ended afterwards, so nothing outlives the display it was started on.
# Windows open inside one Wine desktop window (a virtual desktop), not as separate X windows:
# without a window manager Wine would otherwise wait seconds on each window that goes away.
# Carriage returns are taken out of the program's stdout so that tools reading it (such as the
# test listing of ctest) see plain lines.
set -euo pipefail

prefix="${HOVERDECK_WINEPREFIX:-}"
console=0
prepare=0
limit=300
while (($#)); do
  case "$1" in
    --prefix) prefix="$2"; shift 2 ;;
    --console) console=1; shift ;;
    --prepare) prepare=1; shift ;;
    --timeout) limit="$2"; shift 2 ;;
    --) shift; break ;;
    -*) echo "run-under-wine: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
if [[ -z "$prefix" ]]; then
  echo "run-under-wine: no prefix given (--prefix DIR)" >&2
  exit 2
fi
if ((!prepare && $# == 0)); then
  echo "run-under-wine: no program given" >&2
  exit 2
fi

wine64="${HOVERDECK_WINE64:-}"
if [[ -z "$wine64" ]]; then
  for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)"; do
    if [[ -n "$candidate" && -x "$candidate" ]]; then wine64="$candidate"; break; fi
  done
fi
if [[ -z "$wine64" ]]; then
  echo "run-under-wine: wine64 not found (Debian package wine64)" >&2
  exit 2
fi
wineserver="$(dirname "$wine64")/wineserver"
[[ -x "$wineserver" ]] || wineserver="$(command -v wineserver)"

mkdir -p "$(dirname "$prefix")"
prefix="$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")"
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEARCH WINESERVER WINELOADER

# Creates the prefix once. The lock keeps parallel runs from booting it twice; a prefix whose
# boot did not finish (no stamp) is made again from scratch.
ensure_prefix() {
  local stamp="$prefix/.hoverdeck-ready"
  [[ -f "$stamp" ]] && return 0
  exec 8>"$prefix.boot.lock"
  if ! flock -w 900 8; then
    echo "run-under-wine: timed out waiting for the prefix lock" >&2
    exit 1
  fi
  if [[ ! -f "$stamp" ]]; then
    echo "run-under-wine: creating the Wine prefix $prefix" >&2
    rm -rf "$prefix"
    if ! (
      unset DISPLAY
      timeout -k 10 600 "$wine64" wineboot --init &&
        timeout -k 10 60 "$wine64" reg add 'HKCU\Software\Wine\Explorer' \
          /v Desktop /d Hoverdeck /f &&
        timeout -k 10 60 "$wine64" reg add 'HKCU\Software\Wine\Explorer\Desktops' \
          /v Hoverdeck /d 1280x1024 /f &&
        timeout -k 10 120 "$wineserver" -w
    ) >"$prefix.log" 2>&1; then
      echo "run-under-wine: creating the prefix failed, see $prefix.log" >&2
      exit 1
    fi
    touch "$stamp"
  fi
  exec 8>&-
}

ensure_prefix
((prepare)) && exit 0

run() {
  local status=0
  timeout -k 10 "$limit" "$wine64" "$@" | tr -d '\r' || status=$?
  return "$status"
}

if ((console)); then
  unset DISPLAY
  # The Wine server and its service processes outlive the program; started by it, they would
  # hold the caller's output open (ctest would wait for them on every test). Started here, on
  # /dev/null and kept a few seconds after the last program, the next runs reuse them.
  if ! "$wineserver" -p15 </dev/null >/dev/null 2>&1; then :; fi
  timeout -k 10 60 "$wine64" cmd /c exit </dev/null >/dev/null 2>&1 || true
  run "$@"
elif [[ -n "${DISPLAY:-}" ]]; then
  exec 9>"$prefix.run.lock"
  flock -w "$limit" 9 || { echo "run-under-wine: prefix busy" >&2; exit 1; }
  status=0
  run "$@" || status=$?
  timeout -k 5 30 "$wineserver" -k 2>/dev/null || true
  exit "$status"
else
  command -v xvfb-run >/dev/null || {
    echo "run-under-wine: xvfb-run not found (Debian package xvfb)" >&2
    exit 2
  }
  # A display for this run only; the script runs again inside it.
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    "$0" --prefix "$prefix" --timeout "$limit" -- "$@"
fi
