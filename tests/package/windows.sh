#!/usr/bin/env bash
# The Windows edition's packages: the portable zip from CPack and the installer from makensis.
# Under Wine, in a fresh prefix: a silent install puts the files, the Start-menu shortcut and the
# installed-programs entry in place; the installed program writes its settings beside it; an
# upgrade with the sign-in option keeps them and adds the Run entry; a silent uninstall takes
# away everything it installed and leaves the settings.
# Usage: windows.sh BUILD_DIR VERSION E2E_DRIVER
set -euo pipefail

if [ "$#" -ne 3 ]; then
  echo "usage: $0 BUILD_DIR VERSION E2E_DRIVER" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
build=$1
version=$2
driver=$3
failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
# shellcheck source=../support/wait-for.sh
. "$here/../support/wait-for.sh"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-nsis.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

cpack -G ZIP --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" ||
  { cat "$scratch/cpack.log"; exit 1; }
zip=$scratch/out/Hoverdeck-$version-windows-x64.zip
check "the zip holds Hoverdeck.exe, README.txt and LICENSE.txt" \
  test "$(unzip -Z1 "$zip" 2>/dev/null | sort | tr '\n' ' ')" = "Hoverdeck.exe LICENSE.txt README.txt "

cmake --build "$build" --target installer >"$scratch/makensis.log" ||
  { cat "$scratch/makensis.log"; exit 1; }
setup=$build/packages/Hoverdeck-$version-windows-x64-setup.exe

prefix=$scratch/prefix
wine() { "$here/../win32/run-under-wine.sh" --prefix "$prefix" --console --timeout 120 "$@"; }
reg_value() { wine reg query "$1" /v "$2" 2>/dev/null | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hoverdeck'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

wine "$setup" /S
folder=$(echo "$prefix"/drive_c/users/*/AppData/Local/Programs/Hoverdeck)
user=${folder#"$prefix"/drive_c/users/}
user=${user%%/*}
windows_folder="C:\\users\\$user\\AppData\\Local\\Programs\\Hoverdeck"
menu=$(echo "$prefix"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs)
for file in Hoverdeck.exe README.txt LICENSE.txt Uninstall.exe; do
  check "installed: $file" test -f "$folder/$file"
done
check "a Start-menu shortcut" test -f "$menu/Hoverdeck.lnk"
check "the installed-programs entry shows version $(reg_value "$uninstall_key" DisplayVersion)" \
  test "$(reg_value "$uninstall_key" DisplayVersion)" = "$(sed -n 's/.*VERSION_NAME "\(.*\)"/\1/p' \
  "$build/generated/Version.h")"
for value in Publisher DisplayIcon EstimatedSize UninstallString; do
  check "the installed-programs entry has $value" test -n "$(reg_value "$uninstall_key" "$value")"
done
check "no start at sign-in unless asked" test -z "$(reg_value "$run_key" Hoverdeck)"

echo "== the installed program"
# On a display of its own: the Wine server of the console runs above has none.
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
check "it starts and writes its settings beside it" env HOVERDECK_INSTALLED=1 \
  "$here/../win32/run-under-wine.sh" --prefix "$prefix" --timeout 100 "$driver" \
  --gtest_filter=HoverdeckExe.InstalledCopyWritesItsSettingsBesideIt
check "nothing in the roaming folder" test ! -e "$prefix/drive_c/users/$user/AppData/Roaming/Hoverdeck"

echo "== upgrade with the start at sign-in"
wine "$setup" /S /SIGNIN
check "the settings survive the upgrade" grep -q '^SetTopMostCaption=1' "$folder/Hoverdeck.ini"
check "the sign-in start sits in the tray" grep -q '^Minimized=1' "$folder/Hoverdeck.ini"
check "the Run entry starts it" \
  test "$(reg_value "$run_key" Hoverdeck)" = "\"$windows_folder\\Hoverdeck.exe\" -s"

echo "== silent uninstall"
wine "$windows_folder\\Uninstall.exe" /S
# The uninstaller runs on from a copy of itself and removes the original.
gone() { [ ! -e "$folder/Uninstall.exe" ] && [ ! -e "$folder/Hoverdeck.exe" ]; }
check "the uninstaller removes the program" wait_for 60 gone
for file in README.txt LICENSE.txt; do check "uninstalled: $file" test ! -e "$folder/$file"; done
check "the shortcut is gone" test ! -e "$menu/Hoverdeck.lnk"
check "the installed-programs entry is gone" test -z "$(reg_value "$uninstall_key" DisplayName)"
check "the Run entry is gone" test -z "$(reg_value "$run_key" Hoverdeck)"
check "a silent uninstall keeps the settings" test -f "$folder/Hoverdeck.ini"

[ "$failures" -eq 0 ] && echo "windows packages: all checks passed"
exit "$((failures > 0))"
