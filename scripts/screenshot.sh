#!/usr/bin/env bash
# Starts the program on a new Xvfb display, waits for its window and saves a
# picture of the window: scripts/screenshot.sh OUT.png
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/window.png}
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"
start_xvfb force
cleanup() { wineserver -k 2>/dev/null || true; stop_xvfb; }
trap cleanup EXIT
wine "$root/build/out/app/tessavel.exe" &
id=
for i in $(seq 1 200); do
  id=$(xdotool search --name 'brunmoor.example' 2>/dev/null | head -n 1) && [ -n "$id" ] && break
  sleep 0.1
done
[ -n "$id" ] || { echo "window not found" >&2; exit 1; }
sleep 1  # let the first paint finish
import -window "$id" "$out"
echo "$out"
