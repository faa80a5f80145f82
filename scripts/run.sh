#!/usr/bin/env bash
# Builds the release configuration and runs the Corvane Control Centre on the virtual sensor.
# Without a display it says so and runs the terminal demo of the link instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/release/src/programs/corvane-control-centre --simulate "$@"
fi
echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): running the terminal demo of the"
echo "link on the virtual sensor instead. Stop it with Ctrl-C."
exec build/release/src/programs/corvane-link-demo "$@"
