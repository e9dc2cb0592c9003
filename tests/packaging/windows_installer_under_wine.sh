#!/bin/sh
# The Windows installer under Wine, as an administrator runs it silently: it
# puts the program files (the same as the .zip's), the Start-menu shortcut and
# the Add/Remove Programs entry in place, and the installed program answers;
# its uninstaller takes all of that away again and leaves the toolbar buttons
# in the registry, which are the user's data. scripts/package-windows makes
# the packages.
# Usage: windows_installer_under_wine.sh WINE WINESERVER PACKAGE_FOLDER VERSION PROGRAM_VERSION
set -eu
wine="$1"
wineserver="$2"
package="$3"
version="$4"
program_version="$5"
setup="$package/pennant-$version-setup.exe"
zip="$package/pennant-$version-windows-x64.zip"
for file in "$setup" "$zip"; do
  [ -f "$file" ] || { echo "FAIL: $file is missing; scripts/package-windows makes it"; exit 1; }
done

drive="$WINEPREFIX/drive_c"
folder="$drive/Program Files/Pennant"
shortcut="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Pennant.lnk"
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pennant'
button='HKLM\Software\Microsoft\Internet Explorer\Extensions\{0B7A2C9E-5D41-4F83-9A6E-2C18D07B3F55}'
work=$(mktemp -d)
trap '"$wine" reg delete "$button" /f >/dev/null 2>&1; rm -rf "$work"' EXIT

passed=0
failed=0
check() {
  what="$1"; shift
  if "$@"; then passed=$((passed + 1)); else echo "FAIL: $what"; failed=$((failed + 1)); fi
}
program='C:\Program Files\Pennant'
entry_value() { "$wine" reg query "$entry" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^    $1    REG_[A-Z_]*    //p"; }
is_entry() { test "$(entry_value "$1")" = "$2"; }
same_as_zip() {
  cmake -E chdir "$work" cmake -E tar xf "$zip" &&
    diff -r -x Uninstall.exe "$work/pennant-$version-windows-x64" "$folder" >/dev/null
}
# The target is stored in the ANSI code page, the icon in UTF-16.
shortcut_names() { { strings -a "$shortcut"; strings -a -e l "$shortcut"; } | grep -qF "$1"; }
installed() { "$wine" "$program\pennant.com" "$@" | tr -d '\r'; }
lists_button() { installed list | grep -qxF "$(printf '%s\tKept' "${button##*\\}")"; }
no_entry() { ! "$wine" reg query "$entry" >/dev/null 2>&1; }
button_kept() { "$wine" reg query "$button" /v ButtonText 2>/dev/null | grep -q Kept; }

"$wine" reg add "$button" /v ButtonText /d Kept /f >/dev/null 2>&1
"$wine" "$setup" /S || { echo "FAIL: the silent install ended with status $?"; exit 1; }
"$wineserver" -w

check "the installed files are not those of the .zip" same_as_zip
check "no uninstaller was installed" test -f "$folder/Uninstall.exe"
check "no Start-menu shortcut was made" test -f "$shortcut"
check "the shortcut does not open Pennant.exe" shortcut_names "$program\Pennant.exe"
check "the shortcut lacks the program's icon" shortcut_names "$program\pennant.ico"
check "the entry's name is wrong" is_entry DisplayName "Larkspur's Pennant"
check "the entry's version is wrong" is_entry DisplayVersion "$version"
check "the entry's publisher is wrong" is_entry Publisher Larkspur
check "the entry's icon is wrong" is_entry DisplayIcon "$program\pennant.ico"
check "the entry's uninstaller is wrong" is_entry UninstallString "\"$program\Uninstall.exe\""
check "the entry's silent uninstaller is wrong" is_entry QuietUninstallString "\"$program\Uninstall.exe\" /S"
size_kb=$(entry_value EstimatedSize)
check "the entry's size is not above 0" test "$((${size_kb:-0}))" -gt 0
check "the installed program's version is wrong" test "$(installed --version)" = "Pennant $program_version"
check "the installed program does not list the button" lists_button

# The uninstaller runs from a copy in a temporary folder, so that it can
# remove itself; the wait is for that copy.
"$wine" "$program\Uninstall.exe" /S || { echo "FAIL: the silent uninstall ended with status $?"; exit 1; }
"$wineserver" -w

check "the program folder is left behind" test ! -e "$folder"
check "the shortcut is left behind" test ! -e "$shortcut"
check "the entry is left behind" no_entry
check "the user's button is gone" button_kept

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
