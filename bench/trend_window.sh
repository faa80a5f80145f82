#!/usr/bin/env bash
# The trend window's cost: trend_bench runs the windowed program (offscreen) on a virtual sensor
# served by vexor-sim through the real serial port code, polling at five a second, with an hour
# of readings in its history, and measures it without the trend window and with it open over
# 1, 10 and 60 minutes. For each it prints
#   - the share of one core the program uses,
#   - the polls written and answered per second and the longest gap between two polls,
#   - the mean and longest interval of the link timer (the engine's rhythm), of the Monitor
#     page's 200 ms refresh and of the trend window's refresh,
#   - the resident memory at the end and at its peak.
# Goals with the window open over 60 minutes: below 2 % of one core and 120 MB, and the engine's
# and the page's rhythm as without the window.
#
#   bench/trend_window.sh                       builds the bench preset, 30 s per case
#   POLL_SECONDS=60 bench/trend_window.sh       a longer measuring time
#   BUILD_DIR=build/other bench/trend_window.sh another release build directory
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C

poll_seconds=${POLL_SECONDS:-30}

scripts/install-deps.sh
build() {
  local log
  if ! log=$("$@" 2>&1); then
    echo "$log" >&2
    exit 1
  fi
}
if [ -z "${BUILD_DIR:-}" ]; then
  build cmake --preset bench
  build cmake --build --preset bench --target trend_bench vexor-sim
  BUILD_DIR=build/bench
else
  build cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF \
    -DCORVANE_BUILD_BENCHMARKS=ON
  build cmake --build "$BUILD_DIR" --target trend_bench vexor-sim
fi
bench=$(realpath "$BUILD_DIR/bench/trend_bench")
simulator=$(realpath "$BUILD_DIR/src/programs/vexor-sim")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/corvane-trend-bench.XXXXXX")
simulator_pid=
cleanup() {
  if [ -n "$simulator_pid" ]; then kill -TERM "$simulator_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# The sensor as a USB serial adapter delivers its replies (see bench/startup_and_idle.sh).
"$simulator" --link "$scratch/line" --latency 16 >"$scratch/vexor-sim.out" 2>&1 &
simulator_pid=$!
for _ in $(seq 100); do
  [ -e "$scratch/line" ] && break
  sleep 0.05
done
if [ ! -e "$scratch/line" ]; then
  echo "vexor-sim did not come up:" >&2
  cat "$scratch/vexor-sim.out" >&2
  exit 1
fi

# The program lets one copy run per desktop: its own runtime and temporary folders keep it
# apart from a copy the user may have open.
mkdir -m 700 "$scratch/runtime"
results=()
for case in none 1 10 60; do
  args=(--com1 "$scratch/line" --seconds "$poll_seconds")
  if [ "$case" = none ]; then args+=(--no-trend); else args+=(--span "$case"); fi
  results+=("$(env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$scratch/runtime" \
    TMPDIR="$scratch/runtime" "$bench" "${args[@]}" 2>"$scratch/bench-$case.err" |
    tail -n 1)") || {
    cat "$scratch/bench-$case.err" >&2
    exit 1
  }
done

echo "corvane trend window on vexor-sim --latency 16 ($BUILD_DIR, $poll_seconds s per case," \
  "an hour of readings in the history)"
printf "%-8s %9s %7s %7s %9s %11s %11s %11s %8s %8s\n" window "CPU" "polls/s" "answ/s" \
  "poll gap" "link ms" "page ms" "trend ms" "RSS MiB" "peak"
printf "%s\n" "${results[@]}"
echo "window: the trend window's span, none = not open; link, page, trend: mean/longest interval"
echo "of the link timer, the Monitor page's refresh and the trend window's refresh."
echo "Goals with the window open over 60 min: below 2 % of one core and 120 MB."
