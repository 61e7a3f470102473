#!/usr/bin/env bash
# Creates the project's Wine prefix once and gives it the settings the
# program and its tests need. Idempotent.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

stamp=$WINEPREFIX/.tessavel-setup-v1
[ -f "$stamp" ] && exit 0

mkdir -p "$WINEPREFIX"
# Initialising a prefix does not need a display.
DISPLAY= wineboot -i >/dev/null 2>&1
wineserver -w

reg_file=$(mktemp --suffix=.reg)
trap 'rm -f "$reg_file"' EXIT
# Chinese texts need a font that has them.
{
  printf 'REGEDIT4\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  for face in SimSun NSimSun "MS Shell Dlg" "MS Shell Dlg 2" Tahoma "Microsoft Sans Serif" "MS Sans Serif"; do
    printf '"%s"="WenQuanYi Micro Hei"\r\n' "$face"
  done
  # Wine draws its own caption and frame, so a screenshot shows the whole window.
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Decorated"="N"\r\n"Managed"="N"\r\n'
  # A crashing test must fail, not wait for someone to close a crash dialog.
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n'
} > "$reg_file"
DISPLAY= wine regedit "$(winepath -w "$reg_file")" >/dev/null 2>&1
wineserver -w
touch "$stamp"
