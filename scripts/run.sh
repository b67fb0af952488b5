#!/usr/bin/env bash
# Builds velkor and runs it. On a reachable X or Wayland display it shows its
# box there and waits for you to close it. Without one it runs on a virtual
# 1920x1080 screen, saves a screenshot of the box, presses Enter on it and
# reports the exit code.
#
#   scripts/run.sh [velkor arguments, e.g. /SWEDISH]
#
# Run from the repository root; installs missing Debian packages (as root).
set -euo pipefail

cd "$(dirname "$0")/.."
build_dir=build/run

# What building and the virtual screen need; the full list for every test
# suite is scripts/packages.txt.
packages=(cmake g++ pkg-config libgtk-3-dev locales-all adwaita-icon-theme
          xvfb xauth x11-utils xdotool imagemagick)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if ((${#missing[@]})); then
  if ((EUID != 0)); then
    echo "run.sh: missing packages: ${missing[*]}; run as root to install them" >&2
    exit 2
  fi
  echo "Installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$build_dir" -DVELKOR_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --target velkor -j "$(nproc)" >/dev/null
velkor=$(find "$build_dir" -type f -name velkor -perm -u+x | head -n 1)
if [[ -z $velkor ]]; then
  echo "run.sh: the build made no velkor binary" >&2
  exit 2
fi

wayland_reachable() {
  [[ -n ${WAYLAND_DISPLAY:-} ]] || return 1
  local socket=$WAYLAND_DISPLAY
  [[ $socket == /* ]] || socket=${XDG_RUNTIME_DIR:-/nonexistent}/$socket
  [[ -S $socket ]]
}

x_reachable() {
  [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1
}

if wayland_reachable || x_reachable; then
  status=0
  "$velkor" "$@" || status=$?
  echo "velkor exited with code $status"
  exit "$status"
fi

echo "No reachable display: running on a virtual 1920x1080 screen"
unset WAYLAND_DISPLAY
work=$(mktemp -d)
xvfb_pid=
velkor_pid=
# shellcheck disable=SC2317  # called by the trap
cleanup() {
  [[ -n $velkor_pid ]] && kill "$velkor_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display number itself and writes it out once ready.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [[ -s $work/display ]] && break
  sleep 0.1
done
if [[ ! -s $work/display ]]; then
  echo "run.sh: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 2
fi
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

"$velkor" "$@" &
velkor_pid=$!

# The box is velkor's only visible window.
window=
for _ in $(seq 200); do
  window=$(xdotool search --onlyvisible --pid "$velkor_pid" 2>/dev/null | head -n 1) || true
  [[ -n $window ]] && break
  kill -0 "$velkor_pid" 2>/dev/null || break
  sleep 0.1
done

screenshot="$PWD/$build_dir/velkor-screenshot.png"
if [[ -n $window ]]; then
  # Mapped is not yet drawn: wait until the box is more than a blank area.
  eval "$(xdotool getwindowgeometry --shell "$window")"
  for _ in $(seq 50); do
    import -window root "$screenshot"
    colours=$(convert "$screenshot" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" -format %k info:)
    ((colours > 8)) && break
    sleep 0.1
  done
  echo "Box \"$(xdotool getwindowname "$window")\" shown; screenshot: $screenshot"
  # GTK ignores synthetic events: focus the box, then press Enter through XTest.
  xdotool windowfocus --sync "$window"
  xdotool key Return
else
  echo "velkor showed no window"
fi

status=0
wait "$velkor_pid" || status=$?
velkor_pid=
echo "velkor exited with code $status"
exit "$status"
