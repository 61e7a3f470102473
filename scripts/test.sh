#!/usr/bin/env bash
# Builds everything and runs every test under Wine inside a new Xvfb display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"
start_xvfb force
cleanup() {
  wineserver -k 2>/dev/null || true
  stop_xvfb
}
trap cleanup EXIT
cd "$root/build/out"
ctest --output-on-failure "$@"
