#!/usr/bin/env bash
# Builds the release configuration and runs the Corvane Control Centre on the virtual sensor.
# Without a display it says so and runs the same program headless, printing its System
# Messages and readings in the terminal (Ctrl-C ends it and saves the settings).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
program=build/release/src/programs/corvane-control-centre
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program" --simulate "$@"
fi
echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): running headless on the"
echo "virtual sensor instead. Stop it with Ctrl-C."
exec "$program" --headless --simulate "$@"
