#!/usr/bin/env bash
# Starts the program on a new Xvfb display, waits for its window and saves a
# picture of the window: scripts/screenshot.sh [--unskinned] OUT.png
#
# --unskinned: the program starts without its skin. A folder named like the
# skin library in the prefix's Windows folder stops the program both writing
# and loading the library; the file that stood there is put back afterwards.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
unskinned=no
if [ "${1:-}" = --unskinned ]; then
  unskinned=yes
  shift
fi
out=${1:-$root/docs/window.png}
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"
library="$WINEPREFIX/drive_c/windows/jedata.dll"
saved="$library.screenshot-saved"
restore_library() {
  if [ "$unskinned" = yes ]; then
    [ -d "$library" ] && rmdir "$library"
    [ -e "$saved" ] && mv "$saved" "$library"
  fi
  return 0
}
start_xvfb force
cleanup() { wineserver -k 2>/dev/null || true; restore_library; stop_xvfb; }
trap cleanup EXIT
if [ "$unskinned" = yes ]; then
  [ -f "$library" ] && mv "$library" "$saved"
  mkdir "$library"
fi
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
