#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tool need. Safe to run repeatedly:
# it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-serialport-dev libgl-dev fonts-dejavu-core
  # the trend window's chart: Qt Charts and its runtime
  qt6-charts-dev libqt6charts6
  # the service record's store: Qt SQL's SQLite and PostgreSQL drivers; the PostgreSQL server
  # its tests start (tests/records/postgres_server.sh)
  libqt6sql6-sqlite libqt6sql6-psql postgresql
  # the calibration certificates' tests read the PDF back (pdftotext, pdfinfo, pdftoppm)
  poppler-utils
  clang-format git
  locales
  # the real-window tests: an X server, a window manager, keys and clicks (tests/windows/)
  xvfb openbox xdotool x11-utils
  # the Debian package (scripts/package.sh: CPack's dpkg-shlibdeps and file) and its test (man,
  # desktop-file-validate)
  dpkg-dev file man-db desktop-file-utils
  # corvane's shell completions and their test (tests/cli/completions_test.sh)
  bash-completion zsh
)
# The Windows build of the libraries without Qt (preset windows-core): MinGW-w64 in its posix
# thread model, GoogleTest's sources to build with it, and 64-bit Wine to run its tests. Without
# the packages they recommend (Wine's would bring fonts, sound and 3D drivers a test never uses).
lean_packages=(
  g++-mingw-w64-x86-64-posix googletest wine wine64
)

Missing() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      echo "$p"
    fi
  done
}
mapfile -t missing < <(Missing "${packages[@]}")
mapfile -t missing_lean < <(Missing "${lean_packages[@]}")

if [ ${#missing[@]} -eq 0 ] && [ ${#missing_lean[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]} ${missing_lean[*]}"
"${sudo_cmd[@]}" apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
if [ ${#missing_lean[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing_lean[@]}"
fi
