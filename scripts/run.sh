#!/usr/bin/env bash
# Builds the program and starts it under Wine (on a new Xvfb display when
# there is no display).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
source "$root/scripts/xvfb.sh"
start_xvfb
trap stop_xvfb EXIT
echo "DISPLAY=$DISPLAY"
"$root/scripts/wine-run.sh" "$root/build/out/app/tessavel.exe"
