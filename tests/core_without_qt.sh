#!/bin/sh
# The core stands without Qt: no source of it includes a Qt header, and the
# command-line program loads no Qt library.
# Usage: core_without_qt.sh SOURCE_FOLDER PROGRAM
set -eu
source="$1"
program="$2"
failed=0
found=$(grep -rlE '#include[[:space:]]*<Q' "$source/src/core" "$source/src/main.cpp" || true)
if [ -n "$found" ]; then
  echo "FAIL: core sources include Qt headers:"; echo "$found"; failed=$((failed + 1))
fi
linked=$(ldd "$program" | grep -i 'libQt' || true)
if [ -n "$linked" ]; then
  echo "FAIL: $program loads Qt:"; echo "$linked"; failed=$((failed + 1))
fi
echo "$((2 - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
