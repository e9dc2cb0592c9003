#!/bin/sh
# pennant.exe under Wine, as a person runs it from a console: a button added
# is what Wine's own "reg query" shows (the eight values of a save, the fixed
# class identifier and "Default Visible"), and .reg files pass both ways
# between pennant.exe and Wine's "reg", non-ASCII text included.
# Usage: windows_program_under_wine.sh WINE PENNANT_EXE
set -eu
wine="$1"
pennant="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The same folder as Windows programs under Wine name it.
windows_work="Z:$work"
extensions='HKLM\Software\Microsoft\Internet Explorer\Extensions'
text='Grüße à ½'

fail() { printf 'FAIL: %s\n' "$*"; exit 1; }

key=$("$wine" "$pennant" add --text "$text" --exec 'C:\Tools\notes.exe' --icon '%SystemRoot%\notes.ico' \
      --hot-icon 'C:\hot.ico' --status 'Öffnet Notizen' --menu 'Notizen' | tr -d '\r')
case "$key" in \{????????-????-????-????-????????????\}) ;; *) fail "add printed \"$key\"" ;; esac

# What Wine's reg sees, one "name type data" line per value, sorted. reg
# writes to a pipe in the console's code page (437 in this locale).
query() {
  "$wine" reg query "$extensions\\$1" | iconv -f CP437 -t UTF-8 | tr -d '\r' | sed -n 's/^    //p' | sort
}
expected=$(printf '%s\n' \
  "ButtonText    REG_SZ    $text" \
  "ClSID    REG_SZ    {1FBA04EE-3024-11D2-8F1F-0000F87ABD16}" \
  "Default Visible    REG_SZ    Yes" \
  'Exec    REG_SZ    C:\Tools\notes.exe' \
  'HotIcon    REG_SZ    C:\hot.ico' \
  'Icon    REG_SZ    %SystemRoot%\notes.ico' \
  'MenuStatusBar    REG_SZ    Öffnet Notizen' \
  'MenuText    REG_SZ    Notizen' | sort)
[ "$(query "$key")" = "$expected" ] || fail "reg query shows: $(query "$key")"

# pennant.exe export, read back by Wine's reg import.
"$wine" "$pennant" export "$key" -o "$windows_work/ours.reg" >/dev/null
"$wine" "$pennant" remove --yes "$key" >/dev/null
"$wine" reg import "$windows_work/ours.reg" >/dev/null 2>&1 || fail "reg import refused pennant's export"
[ "$(query "$key")" = "$expected" ] || fail "after reg import: $(query "$key")"

# Wine's reg export, read back by pennant.exe import.
"$wine" reg export "$extensions\\$key" "$windows_work/wine.reg" /y >/dev/null 2>&1 || fail "reg export failed"
"$wine" reg delete "$extensions\\$key" /f >/dev/null 2>&1
"$wine" "$pennant" import "$windows_work/wine.reg" >/dev/null || fail "pennant import refused Wine's export"
[ "$(query "$key")" = "$expected" ] || fail "after pennant import: $(query "$key")"

"$wine" "$pennant" remove --yes "$key" >/dev/null

# A hive file that is not there is refused, never made anew.
status=0
message=$("$wine" "$pennant" --hive "$windows_work/missing" list 2>&1) || status=$?
[ "$status" -eq 2 ] && [ ! -e "$work/missing" ] || fail "--hive with a missing file: status $status, \"$message\""
echo "4 passed, 0 failed"
