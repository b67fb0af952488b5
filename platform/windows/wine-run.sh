#!/bin/bash
# Runs a cross-built program under Wine; the cross build's emulator for CTest.
#
# The prefix is WINEPREFIX when set, otherwise wine-prefix/ in the build tree
# that holds the program, so a test run never touches a user's own prefix.
# It is created on first use; a lock keeps parallel tests from racing there.
set -euo pipefail

if [[ $# -lt 1 ]]; then
  echo "usage: wine-run.sh PROGRAM.exe [ARGUMENT...]" >&2
  exit 2
fi

if [[ -z "${WINEPREFIX:-}" ]]; then
  dir=$(cd "$(dirname "$1")" && pwd)
  while [[ "$dir" != / && ! -f "$dir/CMakeCache.txt" ]]; do dir=$(dirname "$dir"); done
  if [[ "$dir" == / ]]; then
    echo "wine-run.sh: $1 is not in a build tree; set WINEPREFIX" >&2
    exit 2
  fi
  export WINEPREFIX="$dir/wine-prefix"
fi
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs: nothing here needs either.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

wine=/usr/lib/wine/wine64
[[ -x "$wine" ]] || wine=$(command -v wine64 || command -v wine)

if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
      "$wine" wineboot --init >/dev/null 2>&1
      wineserver -w
    fi
  ) 9>"$WINEPREFIX.lock"
fi

exec "$wine" "$@"
