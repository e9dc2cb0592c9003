#!/bin/sh
# Every command that `pennant --help` lists has its entry in the manual page.
# Usage: man_page_lists_commands.sh PENNANT MANUAL_PAGE
set -eu
commands=$("$1" --help | sed -n 's/^  pennant \([a-z-]*\).*/\1/p')
[ -n "$commands" ] || { echo "pennant --help lists no commands"; exit 1; }
missing=0
for command in $commands; do
  # roff writes a hyphen as \-
  roff=$(printf '%s' "$command" | sed 's/-/\\\\-/g')
  grep -Eq "^\.B[IR]? \"?$roff( |\"|$)" "$2" || { echo "pennant $command is not in $2"; missing=1; }
done
exit $missing
