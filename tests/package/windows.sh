#!/usr/bin/env bash
# The zip and the installer, run under Wine in a fresh prefix: install, the installed program's
# settings beside it, an upgrade with the sign-in start, and an uninstall that keeps the settings.
# Usage: windows.sh BUILD_DIR VERSION E2E_DRIVER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/checks.sh"
build=$1
scratch=$(mktemp -d "${TMPDIR:-/tmp}/hoverdeck-nsis.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cpack -G ZIP --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/log" 2>&1 &&
  cmake --build "$build" --target installer >>"$scratch/log" 2>&1 || { cat "$scratch/log"; exit 1; }
zipped=$(unzip -Z1 "$scratch/out/Hoverdeck-$2-windows-x64.zip" | sort | tr '\n' ' ')
check "the zip holds Hoverdeck.exe, LICENSE.txt and README.txt" \
  test "$zipped" = "Hoverdeck.exe LICENSE.txt README.txt "

prefix=$scratch/prefix
wine() { "$here/../win32/run-under-wine.sh" --prefix "$prefix" --console --timeout 120 "$@"; }
reg_value() { wine reg query "$1" /v "$2" 2>/dev/null | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
entry='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hoverdeck'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
setup=$build/packages/Hoverdeck-$2-windows-x64-setup.exe

wine "$setup" /S
folder=$(echo "$prefix"/drive_c/users/*/AppData/Local/Programs/Hoverdeck)
user=${folder#"$prefix/drive_c/users/"} && user=${user%%/*}
menu="$prefix/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
installed=(Hoverdeck.exe README.txt LICENSE.txt Uninstall.exe)
for file in "${installed[@]}"; do check "installed: $file" test -f "$folder/$file"; done
check "a Start-menu shortcut" test -f "$menu/Hoverdeck.lnk"
name=$(sed -n 's/.*VERSION_NAME "\(.*\)"/\1/p' "$build/generated/Version.h")
check "the installed-programs entry shows $name" test "$(reg_value "$entry" DisplayVersion)" = "$name"
for value in Publisher DisplayIcon EstimatedSize UninstallString; do
  check "the entry has $value" test -n "$(reg_value "$entry" "$value")"
done
check "no start at sign-in unless asked" test -z "$(reg_value "$run_key" Hoverdeck)"

# On a display of its own: the Wine server of the console runs above has none.
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
check "the installed program writes its settings beside it" env HOVERDECK_INSTALLED=1 \
  "$here/../win32/run-under-wine.sh" --prefix "$prefix" --timeout 100 "$3" \
  --gtest_filter=HoverdeckExe.InstalledCopyWritesItsSettingsBesideIt
check "nothing in the roaming folder" test ! -e "$prefix/drive_c/users/$user/AppData/Roaming/Hoverdeck"

wine "$setup" /S /SIGNIN
check "an upgrade keeps the settings" grep -q '^SetTopMostCaption=1' "$folder/Hoverdeck.ini"
check "the sign-in start sits in the tray" grep -q '^Minimized=1' "$folder/Hoverdeck.ini"
windows_folder="C:\\users\\$user\\AppData\\Local\\Programs\\Hoverdeck"
check "the Run entry starts it" \
  test "$(reg_value "$run_key" Hoverdeck)" = "\"$windows_folder\\Hoverdeck.exe\" -s"

wine "$windows_folder\\Uninstall.exe" /S
# The uninstaller goes on from a copy of itself, which removes the original.
gone() { for file in "${installed[@]}"; do [ ! -e "$folder/$file" ] || return 1; done; }
check "the uninstaller removes the files" wait_for 60 gone
check "and the shortcut" test ! -e "$menu/Hoverdeck.lnk"
check "and the installed-programs entry" test -z "$(reg_value "$entry" DisplayName)"
check "and the Run entry" test -z "$(reg_value "$run_key" Hoverdeck)"
check "a silent uninstall keeps the settings" test -f "$folder/Hoverdeck.ini"
exit "$((failures > 0))"
