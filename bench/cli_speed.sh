#!/usr/bin/env bash
# Speed of the corvane command line against vexor-sim on a pseudo-terminal at 9600 baud 8N1,
# through the real serial port code. vexor-sim paces its replies at the line's character time
# and answers a request only after the request's own character times, so the line time of an
# exchange is what a real line would take: (request bytes + reply bytes) x 10 bits / 9600.
# It prints
#   - start-up: the time from starting corvane to its first request on the line (median of 9);
#   - read-setup: the 17 data blocks (5 + 20 bytes each) against their line time;
#   - download: 16-byte records (23 + 5 bytes a block), the time per block from two image sizes
#     (so that the sensor's fixed erase and restart times drop out) against its line time, and
#     the whole download of the larger image;
#   - scan: all 248 addresses with one sensor answering, the probe time-out following the line;
#   - read-setup through a line that answers 150 ms late (as a serial device server does), at the
#     default reply time-out: the setup read must equal the one read promptly.
# Targets: read-setup and the blocks within 1.2x their line time, the scan under 10 s, the
# start-up under 50 ms.
#
#   bench/cli_speed.sh                         builds the release preset
#   BUILD_DIR=build/other bench/cli_speed.sh   another release build directory
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C

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
  build cmake --build --preset release --target corvane vexor-sim
  BUILD_DIR=build/release
else
  build cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF
  build cmake --build "$BUILD_DIR" --target corvane vexor-sim
fi
corvane=$(realpath "$BUILD_DIR/src/programs/corvane")
simulator=$(realpath "$BUILD_DIR/src/programs/vexor-sim")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/corvane-cli-bench.XXXXXX")
started=()
cleanup() {
  local pid
  for pid in "${started[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

serve() {  # name, then vexor-sim's options
  local name=$1
  shift
  "$simulator" --link "$scratch/$name" "$@" >"$scratch/vexor-sim-$name.out" 2>&1 &
  started+=($!)
  for _ in $(seq 100); do
    [ -e "$scratch/$name" ] && return
    sleep 0.05
  done
  echo "vexor-sim did not come up:" >&2
  cat "$scratch/vexor-sim-$name.out" >&2
  exit 1
}
serve sensor
serve lone --addresses 37
serve late --delay 150

# An Intel HEX image of $1 records of 16 bytes.
write_image() {
  awk -v records="$1" 'BEGIN {
    print ":020000040000FA"
    for (r = 0; r < records; r++) {
      address = r * 16
      line = sprintf(":10%04X00", address)
      sum = 16 + int(address / 256) + address % 256
      for (i = 0; i < 16; i++) {
        b = (r * 31 + i * 7 + 3) % 256
        line = line sprintf("%02X", b)
        sum += b
      }
      print line sprintf("%02X", (256 - sum % 256) % 256)
    }
    print ":00000001FF"
  }' >"$2"
}
write_image 256 "$scratch/small.hex"
write_image 512 "$scratch/large.hex"

seconds() {  # runs the command quietly; prints its wall time in seconds
  local start
  start=$EPOCHREALTIME
  "$@" >"$scratch/last.out" 2>&1 || {
    echo "failed: $*" >&2
    cat "$scratch/last.out" >&2
    exit 1
  }
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }'
}

first_request_ms() {  # corvane's start to its first TX line
  local start line_read first=""
  start=$EPOCHREALTIME
  # Read to the end, so that each run has ended (and let the port go) before the next starts.
  while IFS= read -r line_read; do
    if [[ -z $first && $line_read == TX* ]]; then first=$EPOCHREALTIME; fi
  done < <("$corvane" --port "$scratch/sensor" --trace monitor --count 1 2>&1 >/dev/null)
  [ -n "$first" ] || {
    echo "corvane sent no request" >&2
    exit 1
  }
  awk -v a="$start" -v b="$first" 'BEGIN { printf "%.1f\n", 1000 * (b - a) }'
}

startups=()
for _ in $(seq 9); do startups+=("$(first_request_ms)"); done
startup=$(printf "%s\n" "${startups[@]}" | sort -n | sed -n 5p)

line_ms() {  # bytes on the line at 10 bits a byte, 9600 baud
  awk -v bytes="$1" 'BEGIN { printf "%.1f", bytes * 10 * 1000 / 9600 }'
}
read_setup=$(seconds "$corvane" --port "$scratch/sensor" read-setup "$scratch/setup.QCF")
read_setup_line=$(line_ms $((17 * (5 + 20))))
small=$(seconds "$corvane" --port "$scratch/sensor" download "$scratch/small.hex" --yes)
large=$(seconds "$corvane" --port "$scratch/sensor" download "$scratch/large.hex" --yes)
block_line=$(line_ms $((23 + 5)))
scan=$(seconds "$corvane" --port "$scratch/lone" scan)
grep -qx 37 "$scratch/last.out" || {
  echo "the scan did not find the sensor at 37" >&2
  exit 1
}
late=$(seconds "$corvane" --port "$scratch/late" read-setup "$scratch/late.QCF")
cmp -s "$scratch/setup.QCF" "$scratch/late.QCF" || {
  echo "the setup read through the late line differs from the one read promptly" >&2
  exit 1
}

echo "corvane on vexor-sim, 9600 baud 8N1 on a pseudo-terminal ($BUILD_DIR)"
awk -v startup="$startup" -v rs="$read_setup" -v rsl="$read_setup_line" -v small="$small" \
  -v large="$large" -v bl="$block_line" -v scan="$scan" -v late="$late" 'BEGIN {
    printf "%-34s %10s %12s %8s %s\n", "", "measured", "line time", "ratio", "target"
    printf "%-34s %7.1f ms %12s %8s %s\n", "start-up to the first request", startup, "", "",
           "< 50 ms"
    printf "%-34s %7.0f ms %9.0f ms %7.2fx %s\n", "read-setup (17 blocks)", 1000 * rs, rsl,
           1000 * rs / rsl, "<= 1.2x"
    per_block = 1000 * (large - small) / 256
    printf "%-34s %7.1f ms %9.1f ms %7.2fx %s\n", "download, per 16-byte block", per_block, bl,
           per_block / bl, "<= 1.2x"
    printf "%-34s %7.2f s  %9.2f s  %7.2fx %s\n", "download of 512 blocks, whole", large,
           512 * bl / 1000, 1000 * large / (512 * bl),
           "(with the sensor erasing and restarting)"
    printf "%-34s %7.1f s  %12s %8s %s\n", "scan of 248 addresses, 1 sensor", scan, "", "",
           "< 10 s"
    printf "%-34s %7.2f s  %12s %8s %s\n", "read-setup, replies 150 ms late", late, "", "",
           "(read exactly)"
  }'
