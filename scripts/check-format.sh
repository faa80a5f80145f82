#!/usr/bin/env bash
# Fails when a C++ source file of the project does not follow .clang-format. Fix with
#   clang-format -i $(git ls-files '*.cpp' '*.h')
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench fuzz \( -name '*.cpp' -o -name '*.h' \))
if ! clang-format --dry-run --Werror "${files[@]}"; then
  echo "Formatting differs from .clang-format in the files above." >&2
  echo "Fix: clang-format -i \$(git ls-files '*.cpp' '*.h')" >&2
  exit 1
fi
echo "Formatting: ${#files[@]} files follow .clang-format"
