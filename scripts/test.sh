#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test,
# then builds the Debian package and runs its programs (tests/package/), then builds the
# libraries without Qt for Windows and runs their tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-format.sh
cmake --preset dev
cmake --build --preset dev
ctest --preset dev
# The Debian package (tests/package/), after the rest: it makes a release build of its own.
ctest --preset package
# The Windows build (MinGW-w64) of the libraries without Qt, its tests run under Wine.
cmake --preset windows-core
cmake --build --preset windows-core
ctest --preset windows-core
