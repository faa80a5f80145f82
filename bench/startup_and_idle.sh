#!/usr/bin/env bash
# Start-up and idle cost of corvane-control-centre polling a virtual sensor through the real
# serial port code: vexor-sim serves the sensor on a pseudo-terminal, and the program is run
# once windowed (on the offscreen platform) and once --headless, each with --trace, on two lines:
#   - adapter: vexor-sim --latency 16, the replies reaching the program in packets as through a
#     USB serial adapter with its usual 16 ms latency timer (the adapters the tool is used with);
#   - bytewise: vexor-sim's default, every reply byte reaching the program at its own character
#     time as on a plain serial port, which wakes the program once or twice per byte.
# For each line and mode it prints
#   - the time from starting the program to its first request on the line (the first "TX"
#     line of the trace, timestamped here as it arrives, since the trace carries no times),
#   - the share of one core the program uses while it polls (the run time of its threads from
#     /proc/PID/task/*/schedstat over wall time, after a settling second),
#   - the polls per second seen during that time (to show it really was polling),
#   - the peak resident memory (VmHWM from /proc/PID/status).
# The target is below 0.5 % of one core in both modes on the adapter line; the bytewise line is
# shown for comparison, the cost of the worst case.
#
#   bench/startup_and_idle.sh                       builds the release preset, 20 s per mode
#                                                   and line
#   POLL_SECONDS=60 bench/startup_and_idle.sh       a longer measuring time
#   BUILD_DIR=build/other bench/startup_and_idle.sh another release build directory
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C  # decimal points in $EPOCHREALTIME and awk

poll_seconds=${POLL_SECONDS:-20}
target_percent=0.5

scripts/install-deps.sh
build() {
  local log
  if ! log=$("$@" 2>&1); then
    echo "$log" >&2
    exit 1
  fi
}
if [ -z "${BUILD_DIR:-}" ]; then
  build cmake --preset release
  build cmake --build --preset release
  BUILD_DIR=build/release
else
  build cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF
  build cmake --build "$BUILD_DIR"
fi
program=$(realpath "$BUILD_DIR/src/programs/corvane-control-centre")
simulator=$(realpath "$BUILD_DIR/src/programs/vexor-sim")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/corvane-bench.XXXXXX")
started=()
cleanup() {
  local pid
  for pid in "${started[@]}"; do
    kill -TERM "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# A virtual sensor reachable as $scratch/$1 for as long as the script runs, served by vexor-sim
# with the options that follow.
serve() {
  local name=$1
  shift
  "$simulator" --link "$scratch/$name" "$@" >"$scratch/vexor-sim-$name.out" 2>&1 &
  started+=($!)
  for _ in $(seq 100); do
    [ -e "$scratch/$name" ] && break
    sleep 0.05
  done
  if [ ! -e "$scratch/$name" ]; then
    echo "vexor-sim did not come up:" >&2
    cat "$scratch/vexor-sim-$name.out" >&2
    exit 1
  fi
}
serve adapter --latency 16
serve bytewise

# Reads the program's standard error: writes the moment the first TX line arrives to $1, then
# keeps the rest of the trace in $2 so that the program never waits on a full pipe.
stamp_first_tx() {
  local line_read
  while IFS= read -r line_read; do
    if [[ $line_read == TX* ]]; then
      echo "$EPOCHREALTIME" >"$1.tmp"
      mv "$1.tmp" "$1"
      echo "$line_read" >"$2"
      break
    fi
  done
  cat >>"$2"
}

# The CPU time process $1 has used, in nanoseconds: the run time the scheduler counts for each of
# its threads (/proc/PID/task/*/schedstat). utime + stime of /proc/PID/stat come in clock ticks
# of 10 ms, a twentieth of the whole budget over 20 s; they are the fallback where the kernel
# keeps no schedstat.
cpu_ns() {
  local total=0 task ran stat rest
  for task in /proc/"$1"/task/*/schedstat; do
    read -r ran _ <"$task" 2>/dev/null || continue
    total=$((total + ran))
  done
  if [ "$total" -eq 0 ]; then
    stat=$(<"/proc/$1/stat")
    rest=${stat##*) }  # the fields after the command name, which may hold blanks
    read -r -a fields <<<"$rest"
    total=$(((fields[11] + fields[12]) * 1000000000 / $(getconf CLK_TCK)))
  fi
  echo "$total"
}

tx_count() {
  grep -c '^TX' "$1" || true
}

results=()
measure() {  # line name, mode name, then the command to run
  local line_name=$1 mode=$2
  shift 2
  local dir="$scratch/$line_name-$mode"
  mkdir -p "$dir"
  local start pid
  start=$EPOCHREALTIME
  (cd "$dir" && exec "$@") >"$dir/stdout" 2> >(stamp_first_tx "$dir/first-tx" "$dir/trace") &
  pid=$!
  started+=("$pid")
  for _ in $(seq 400); do
    [ -s "$dir/first-tx" ] && break
    if ! kill -0 "$pid" 2>/dev/null; then break; fi
    sleep 0.025
  done
  if [ ! -s "$dir/first-tx" ]; then
    echo "$line_name $mode: no request on the line within 10 s" >&2
    cat "$dir/stdout" >&2
    exit 1
  fi
  local first
  first=$(<"$dir/first-tx")
  sleep 1
  local cpu0 wall0 polls0 cpu1 wall1 polls1 peak
  cpu0=$(cpu_ns "$pid")
  polls0=$(tx_count "$dir/trace")
  wall0=$EPOCHREALTIME
  sleep "$poll_seconds"
  cpu1=$(cpu_ns "$pid")
  polls1=$(tx_count "$dir/trace")
  wall1=$EPOCHREALTIME
  peak=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")
  kill -INT "$pid"
  wait "$pid" || true
  local target=$target_percent
  [ "$line_name" = adapter ] || target=""
  results+=("$(awk -v line="$line_name" -v mode="$mode" -v start="$start" -v first="$first" \
    -v c0="$cpu0" -v c1="$cpu1" -v w0="$wall0" -v w1="$wall1" \
    -v p0="$polls0" -v p1="$polls1" -v peak="$peak" -v target="$target" 'BEGIN {
      cpu = 100 * (c1 - c0) / 1e9 / (w1 - w0)
      printf "%-9s %-9s %9.0f ms %10.2f %% %s %9.1f %10.1f MiB", line, mode,
             1000 * (first - start), cpu, target == "" || cpu < target ? "  " : " !",
             (p1 - p0) / (w1 - w0), peak / 1024
    }')")
}

for line_name in adapter bytewise; do
  measure "$line_name" windowed env QT_QPA_PLATFORM=offscreen "$program" \
    --com1 "$scratch/$line_name" --trace
  measure "$line_name" headless "$program" --headless --com1 "$scratch/$line_name" --trace
done

echo "corvane-control-centre on vexor-sim ($BUILD_DIR, $poll_seconds s of polling per mode)"
printf "%-9s %-9s %12s %14s %9s %14s\n" line mode "first poll" "CPU (1 core)" "polls/s" \
  "peak RSS"
printf "%s\n" "${results[@]}"
echo "adapter: vexor-sim --latency 16 (replies in packets, as through a USB serial adapter);"
echo "bytewise: vexor-sim's default (each reply byte at its character time), for comparison."
echo "Target: below $target_percent % of one core while polling on the adapter line (! marks a"
echo "mode above it)."
