#!/usr/bin/env bash
# Runs a Windows program under the project's Wine environment. CTest uses it
# as the emulator for the cross-built test programs.
source "$(dirname "$0")/wine-env.sh"
exec wine "$@"
