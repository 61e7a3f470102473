#!/usr/bin/env bash
# Builds everything and runs every test under Wine inside a new Xvfb display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"
start_private_session
cd "$root/build/out"
ctest --output-on-failure "$@"
