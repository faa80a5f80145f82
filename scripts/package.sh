#!/usr/bin/env bash
# Builds the Debian package of the release configuration with CPack:
#   scripts/package.sh [BUILD_DIR]        (default build/release, the build of scripts/run.sh)
# Its last line names the package; install it with
#   sudo apt install ./build/release/corvane-control-centre_<version>_<architecture>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build/release}
scripts/install-deps.sh
# Debian's hardening flags, as its own package builds have them: fortified C library calls, a
# stack protector, relocations made read-only at start-up. Optimisation stays the release's.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP="-g -O2"
cmake --preset release -B "$build_dir" \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build "$build_dir"
# A package of an earlier version left there would otherwise be taken for this one.
rm -f "$build_dir"/corvane-control-centre_*.deb
(cd "$build_dir" && cpack -G DEB)
echo "Package: $(ls "$build_dir"/corvane-control-centre_*.deb)"
