#!/usr/bin/env bash
# Builds the release configuration and runs the Corvane Control Centre demo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/src/programs/corvane-link-demo "$@"
