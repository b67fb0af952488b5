#!/usr/bin/env bash
# The .deb as a user gets it: built by CPack from the build tree, installed
# with apt-get, the installed /usr/bin/velkor shown on Xvfb and dismissed with
# a real key press, then removed again, also when a step fails.
#
#   deb_install_test.sh --build DIR --box-timer PATH [--cpack PATH] [--e2e HARNESS]
# Exit codes: 0 passed, 1 failed, 77 skipped (the reason is printed).
set -euo pipefail

build='' timer='' harness='' cpack=cpack
while (($#)); do
  case $1 in
    --build) build=$2; shift 2 ;;
    --box-timer) timer=$2; shift 2 ;;
    --e2e) harness=$2; shift 2 ;;
    --cpack) cpack=$2; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
[[ -n $build && -n $timer ]] || { echo "--build and --box-timer are needed" >&2; exit 2; }

if ((EUID != 0)); then
  echo "SKIPPED: installing a package needs root"
  exit 77
fi
for tool in apt-get dpkg-deb dpkg-shlibdeps "$cpack" Xvfb desktop-file-validate; do
  command -v "$tool" >/dev/null || { echo "FAILED: $tool is missing (scripts/packages.txt)"; exit 1; }
done

fail() {
  echo "FAILED: $*"
  exit 1
}

work=$(mktemp -d /tmp/velkor-install-test.XXXXXX)
installed=0
xvfb=
cleanup() {
  local status=$?
  [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  if ((installed)); then
    echo "== Removing the package"
    apt-get remove -y -q -o DPkg::Lock::Timeout=120 velkor >"$work/remove.log" 2>&1 ||
      { cat "$work/remove.log"; status=1; }
    if dpkg-query -W -f='${Status}' velkor 2>/dev/null | grep -q 'ok installed'; then
      echo "FAILED: velkor is still installed after apt-get remove"
      status=1
    fi
    if [[ -e /usr/bin/velkor ]]; then
      echo "FAILED: /usr/bin/velkor is still there after apt-get remove"
      status=1
    fi
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

echo "== Building the package"
"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/packages" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack could not build the .deb"; }
debs=("$work"/packages/velkor_*.deb)
[[ ${#debs[@]} == 1 && -f ${debs[0]} ]] || fail "expected one velkor_*.deb, found: ${debs[*]}"
deb=${debs[0]}
echo "built $(basename "$deb") ($(stat -c %s "$deb") bytes)"

# What it holds and says about itself.
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
for path in ./usr/bin/velkor ./usr/share/applications/velkor.desktop \
    ./usr/share/icons/hicolor/scalable/apps/velkor.svg ./usr/share/man/man1/velkor.1.gz; do
  grep -qx -- "$path" <<<"$contents" || fail "the package lacks $path"
done
field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Package) == velkor ]] || fail "package name is '$(field Package)'"
[[ $(field Version) == 1.01* ]] || fail "version is '$(field Version)'"
[[ $(field Section) == utils ]] || fail "section is '$(field Section)'"
[[ -n $(field Maintainer) ]] || fail "no maintainer"
[[ -n $(field Description) ]] || fail "no description"
# Found by dpkg-shlibdeps from what the program links, not written by hand.
depends=$(field Depends)
names=$(sed -e 's/ *([^)]*)//g' -e 's/ *[,|] */\n/g' <<<"$depends")
for library in libc6 libgtk-3-0 libglib2.0-0 libstdc++6; do
  grep -qxF "$library" <<<"$names" || fail "Depends lacks $library: $depends"
done

if dpkg-query -W -f='${Status}' velkor 2>/dev/null | grep -q 'ok installed'; then
  echo "note: velkor was installed before this test; it is replaced and then removed"
fi

echo "== Installing it with apt-get"
installed=1
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
  -o DPkg::Lock::Timeout=120 "$deb" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "apt-get could not install the package"; }
[[ -x /usr/bin/velkor ]] || fail "/usr/bin/velkor is not there after installing"
[[ $(command -v velkor) == /usr/bin/velkor ]] || fail "velkor on PATH is $(command -v velkor)"
desktop-file-validate /usr/share/applications/velkor.desktop || fail "the installed desktop entry is not valid"
grep -qx 'Exec=velkor' /usr/share/applications/velkor.desktop || fail "the desktop entry does not start velkor"
grep -q '<svg' /usr/share/icons/hicolor/scalable/apps/velkor.svg || fail "the icon is not an SVG"
if command -v man >/dev/null; then
  manual=$(MANWIDTH=80 man --warnings /usr/share/man/man1/velkor.1.gz 2>"$work/man.log") ||
    fail "man cannot show the installed page"
  [[ ! -s $work/man.log ]] || { cat "$work/man.log"; fail "the manual page has warnings"; }
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS ENVIRONMENT "EXIT STATUS"; do
    grep -q "^$section" <<<"$manual" || fail "the manual page lacks $section"
  done
fi

echo "== Running the installed velkor on Xvfb"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/display" \
  >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 150); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
display=":$(head -n1 "$work/display")"
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
# Started by name, as the desktop entry does; no session bus, so nothing
# outlives the run. box_timer focuses the window and presses Return by XTest.
result=$(cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
  LANG=en_US.UTF-8 DISPLAY="$display" \
  "$timer" --title "Tesk-Velkor 1.01" --key Return --timeout 30 -- velkor \
  2>"$work/velkor.stderr") || {
  echo "$result"
  cat "$work/velkor.stderr"
  fail "the installed velkor did not show its box, take the key press and exit with 0"
}
echo "$result"
[[ ! -s $work/velkor.stderr ]] || { cat "$work/velkor.stderr"; fail "velkor wrote to stderr"; }

# The whole end-to-end case too, which reads the box's text through the
# accessibility tree, when that harness is in the tree.
if [[ -n $harness && -f $harness ]]; then
  echo "== The end-to-end case english_1920x1080 on the installed velkor"
  /usr/bin/python3 "$harness" --velkor /usr/bin/velkor --out "$work/screenshots" english_1920x1080 ||
    fail "the end-to-end case failed on the installed velkor"
fi

echo "passed"
