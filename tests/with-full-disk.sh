#!/usr/bin/env bash
# Runs a test program with a tiny file system mounted as a Wine drive, so
# that writes to it run out of space part-way. Needs root (mount); without
# it the test is skipped (exit 77). Everything is undone on exit.
#   with-full-disk.sh PROGRAM [ARGS...]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"

if [ "$(id -u)" != 0 ] || ! command -v mount >/dev/null; then
  echo "skipped: mounting a small file system needs root" >&2
  exit 77
fi
mountpoint=$(mktemp -d /tmp/tessavel-full-disk.XXXXXX)
drive=
cleanup() {
  [ -n "$drive" ] && rm -f "$WINEPREFIX/dosdevices/$drive"
  umount "$mountpoint" 2>/dev/null
  rmdir "$mountpoint" 2>/dev/null
}
trap cleanup EXIT
if ! mount -t tmpfs -o size=256k,mode=0777 tmpfs "$mountpoint"; then
  echo "skipped: cannot mount a tmpfs here" >&2
  exit 77
fi
for letter in t u v w x y; do
  if [ ! -e "$WINEPREFIX/dosdevices/$letter:" ]; then
    drive="$letter:"
    ln -s "$mountpoint" "$WINEPREFIX/dosdevices/$drive"
    break
  fi
done
if [ -z "$drive" ]; then
  echo "no free drive letter" >&2
  exit 1
fi
export TESSAVEL_FULL_DISK="${drive^^}"
wine "$@"
