#!/usr/bin/env bash
# Measures Velkor: the core computation (Google Benchmark), then the time to
# the box, side by side with zenity showing the same text, on one Xvfb.
#
#   scripts/bench.sh [RUNS]     RUNS runs of each program (default 15, at least 10)
#
# Nothing here passes or fails on a speed: it prints figures.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
if ((runs < 10)); then
  echo "bench.sh: at least 10 runs of each, for a median worth quoting" >&2
  exit 2
fi

scripts/install-packages.sh
build=build/bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELKOR_TESTS=OFF -DVELKOR_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target velkor core_bench box_timer >/dev/null
velkor=$PWD/$build/platform/linux/velkor
timer=$PWD/$build/bench/box_timer

echo "== Machine"
echo "processors: $(nproc); $(grep -m1 '^model name' /proc/cpuinfo | sed 's/.*: //')"

echo "== Core computation"
# The fastest of five repetitions: the least disturbed by other load.
"$build/bench/core_bench" --benchmark_repetitions=5 | grep -v -E '_(mean|median|stddev|cv) '

echo "== Time to the box: velkor and zenity, $runs runs each, interleaved"
work=$(mktemp -d /tmp/velkor-bench.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# One X server for every run; -displayfd picks a free display number.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/display" \
  >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
[[ -s "$work/display" ]] || { echo "Xvfb did not start" >&2; exit 1; }
display=":$(head -n1 "$work/display")"

# A session bus of their own, as on a desktop: both programs then find the
# accessibility bus, which the bus starts on first demand. Its HOME is the
# runs' own, since the accessibility bus puts its socket there.
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
  dbus-daemon --session --nofork --nopidfile --print-address=1 >"$work/bus" 2>"$work/dbus.log" &
pids+=($!)
for _ in $(seq 100); do [[ -s "$work/bus" ]] && break; sleep 0.1; done
bus=$(head -n1 "$work/bus")
[[ -n "$bus" ]] || { echo "the session bus did not start" >&2; exit 1; }

text=$'1,920 × 1,080 = 1.78:1.\n\nThe most common representations of this aspect ratio are: 16:9, 32:18.'
run_one() {  # name -> appends one box_timer line to $work/name
  local name=$1 command
  if [[ $name == velkor ]]; then
    command=("$velkor")
  else
    command=(zenity --info --title="Tesk-Velkor 1.01" --text="$text")
  fi
  env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
    LANG=en_US.UTF-8 DISPLAY="$display" DBUS_SESSION_BUS_ADDRESS="$bus" \
    "$timer" --title "Tesk-Velkor 1.01" --timeout 60 -- "${command[@]}" >>"$work/$name"
}

# One run of each first, not counted: it fills the file cache and starts the
# accessibility bus.
run_one velkor && run_one zenity
: >"$work/velkor"
: >"$work/zenity"
for i in $(seq "$runs"); do
  if ((i % 2)); then run_one velkor; run_one zenity; else run_one zenity; run_one velkor; fi
done

python3 - "$work/velkor" "$work/zenity" <<'EOF'
import re, statistics, sys

def load(path):
    rows = [dict(re.findall(r'(\w+)=("[^"]*"|\S+)', line)) for line in open(path)]
    return rows

velkor, zenity = load(sys.argv[1]), load(sys.argv[2])
for name, rows in (("velkor", velkor), ("zenity", zenity)):
    retried = sum(int(r["retries"]) > 0 for r in rows)
    if retried:
        print(f"note: {retried} {name} runs needed the key pressed again; their exit times include the wait")

def median(rows, key):
    return statistics.median(float(r[key]) for r in rows)

print(f"{'median of ' + str(len(velkor)) + ' runs':<26}{'velkor':>10}{'zenity':>10}{'velkor/zenity':>15}")
for label, key, unit in (("time to map", "map_ms", "ms"), ("time to exit after key", "exit_ms", "ms"),
                         ("whole run", "total_ms", "ms"), ("peak memory", "maxrss_kb", "KiB")):
    v, z = median(velkor, key), median(zenity, key)
    print(f"{label + ' (' + unit + ')':<26}{v:>10.1f}{z:>10.1f}{v / z:>15.2f}")
EOF
