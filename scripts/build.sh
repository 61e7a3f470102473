#!/usr/bin/env bash
# Installs what is missing, builds the dependencies and the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build-deps.sh" >/dev/null
"$root/scripts/setup-wine.sh"
cmake -S "$root" -B "$root/build/out" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/out"
