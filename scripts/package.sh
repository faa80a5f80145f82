#!/usr/bin/env bash
# Builds the Debian package of the release configuration with CPack:
#   scripts/package.sh [BUILD_DIR]        (default build/release, the build of scripts/run.sh)
# Its last line names the package; install it with
#   sudo apt install ./build/release/corvane-control-centre_<version>_<architecture>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build/release}
scripts/install-deps.sh
cmake --preset release -B "$build_dir"
cmake --build "$build_dir"
# A package of an earlier version left there would otherwise be taken for this one.
rm -f "$build_dir"/corvane-control-centre_*.deb
(cd "$build_dir" && cpack -G DEB)
echo "Package: $(ls "$build_dir"/corvane-control-centre_*.deb)"
