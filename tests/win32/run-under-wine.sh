#!/usr/bin/env bash
# run-under-wine.sh --prefix DIR [--prepare] [--console] [--timeout SECONDS] PROGRAM [ARG...]
# Runs a Windows program under Wine, CRs taken out of its output. --prepare only makes the prefix.
# --console runs without a display, sharing the prefix; otherwise runs take turns, on Xvfb unless
# DISPLAY is set, in one Wine desktop window, and the prefix's Wine processes end afterwards.
set -euo pipefail
console=0 prepare=0 limit=300 prefix=
while (($#)); do
  case "$1" in
    --prefix) prefix=$2; shift 2 ;;
    --console) console=1; shift ;;
    --prepare) prepare=1; shift ;;
    --timeout) limit=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[[ -n "$prefix" ]] || { echo "run-under-wine: no --prefix DIR" >&2; exit 2; }
wine64=${HOVERDECK_WINE64:-/usr/lib/wine/wine64}
[[ -x "$wine64" ]] || wine64=$(command -v wine64) ||
  { echo "run-under-wine: wine64 not found (Debian package wine64)" >&2; exit 2; }
wineserver=$(dirname "$wine64")/wineserver
[[ -x "$wineserver" ]] || wineserver=$(command -v wineserver)
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX="$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")"
prefix=$WINEPREFIX
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEARCH WINESERVER WINELOADER

# The prefix is made once, under a lock; one whose boot did not finish (no stamp) is made again.
if [[ ! -f "$prefix/.hoverdeck-ready" ]]; then
  exec 8>"$prefix.boot.lock"
  flock -w 900 8 || { echo "run-under-wine: timed out waiting for the prefix lock" >&2; exit 1; }
  if [[ ! -f "$prefix/.hoverdeck-ready" ]]; then
    rm -rf "$prefix"
    desktop='HKCU\Software\Wine\Explorer'
    if ! (unset DISPLAY
      timeout -k 10 600 "$wine64" wineboot --init &&
        timeout 60 "$wine64" reg add "$desktop" /v Desktop /d Hoverdeck /f &&
        timeout 60 "$wine64" reg add "$desktop\\Desktops" /v Hoverdeck /d 1280x1024 /f &&
        timeout 120 "$wineserver" -w) >"$prefix.log" 2>&1; then
      echo "run-under-wine: creating the prefix failed, see $prefix.log" >&2
      exit 1
    fi
    touch "$prefix/.hoverdeck-ready"
  fi
  exec 8>&-
fi
((prepare)) && exit 0
((console)) || [[ -n "${DISPLAY:-}" ]] ||
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    "$0" --prefix "$prefix" --timeout "$limit" -- "$@"

status=0
if ((console)); then
  unset DISPLAY
  # Started here on /dev/null, the Wine server and services cannot hold the caller's output open.
  "$wineserver" -p15 </dev/null >/dev/null 2>&1 || true
  timeout -k 10 60 "$wine64" cmd /c exit </dev/null >/dev/null 2>&1 || true
  timeout -k 10 "$limit" "$wine64" "$@" | tr -d '\r' || status=$?
else
  exec 9>"$prefix.run.lock"
  flock -w "$limit" 9 || { echo "run-under-wine: prefix busy" >&2; exit 1; }
  timeout -k 10 "$limit" "$wine64" "$@" | tr -d '\r' || status=$?
  timeout -k 5 30 "$wineserver" -k 2>/dev/null || true
fi
exit "$status"
