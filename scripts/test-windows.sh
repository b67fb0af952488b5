#!/usr/bin/env bash
# The Windows build and its tests: cross-built with MinGW-w64 into
# build/windows, the unit and Windows suites run under Wine with no display,
# then the end-to-end cases of Velkor.exe under Wine on Xvfb.
# Called by scripts/test.sh; runs on its own as well.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
build=build/windows
jobs=$(nproc)

packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64 wine xvfb imagemagick)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  echo "== Installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

wine=/usr/lib/wine/wine64
[[ -x "$wine" ]] || wine=$(command -v wine64 || command -v wine)
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unit_prefix=$PWD/$build/wine-prefix
serial_prefix=$PWD/$build/wine-prefix-serial

stop_wine() {
  WINEPREFIX=$unit_prefix wineserver -k 2>/dev/null || true
  WINEPREFIX=$serial_prefix wineserver -k 2>/dev/null || true
}
trap stop_wine EXIT

echo "== Windows cross build (MinGW-w64) into $build"
cmake -S . -B "$build" --toolchain platform/windows/mingw-w64-x86_64.cmake -DVELKOR_WERROR=ON
# Fresh prefixes for every run, made while the build runs: one shared by the
# tests that may run side by side, one for those that run one at a time (the
# end-to-end cases, and the locale tests; tests/windows/CMakeLists.txt says why).
mkdir -p "$build"
stop_wine
rm -rf "$unit_prefix" "$serial_prefix"
prefix_log=$PWD/$build/wine-prefixes.log
(
  for prefix in "$unit_prefix" "$serial_prefix"; do
    WINEPREFIX=$prefix "$wine" wineboot --init && WINEPREFIX=$prefix wineserver -w
  done
) >"$prefix_log" 2>&1 &
prefixes=$!
cmake --build "$build" -j"$jobs"
wait "$prefixes" || {
  cat "$prefix_log" >&2
  echo "creating the Wine prefixes failed" >&2
  exit 1
}

echo "== Velkor.exe needs nothing but system DLLs"
exe=$build/platform/windows/Velkor.exe
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
echo "$imports"
foreign=$(grep -viE '^(kernel32|user32|gdi32|msvcrt)\.dll$' <<<"$imports" || true)
if [[ -n "$foreign" ]]; then
  echo "Velkor.exe imports more than system DLLs: $foreign" >&2
  exit 1
fi
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || {
  echo "Velkor.exe is not a GUI-subsystem program" >&2
  exit 1
}

echo "== Unit and Windows suites under Wine"
# A persistent server keeps each test's start short. The first process starts
# Wine's background services, which would inherit and hold open whatever
# output CTest gives them, so it is started here with none.
WINEPREFIX=$unit_prefix wineserver -p
WINEPREFIX=$unit_prefix "$wine" cmd /c exit </dev/null >/dev/null 2>&1
(
  unset DISPLAY
  WINEPREFIX=$unit_prefix ctest --test-dir "$build" -L '^(unit|windows)$' -j"$jobs" \
    --output-on-failure
)
WINEPREFIX=$unit_prefix wineserver -k 2>/dev/null || true

echo "== End-to-end: Velkor.exe under Wine on Xvfb"
ctest --test-dir "$build" -L '^e2e-windows$' --output-on-failure
echo "Screenshots: $build/tests/windows/e2e/*/box.png"

echo "== The Windows zip"
ctest --test-dir "$build" -L '^install$' --output-on-failure

echo "== Windows flow done in $((SECONDS - started)) s"
