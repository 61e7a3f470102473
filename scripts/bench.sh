#!/usr/bin/env bash
# Builds everything and runs the benchmark programs under Wine inside a new
# Xvfb display, one case per process: scripts/bench.sh [CASE...]
# (cases: html chinese big nomatch; all of them by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" >/dev/null
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"
start_private_session
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(html chinese nomatch big)
for c in "${cases[@]}"; do
  # The machine may be shared: the load says how far wall-clock times stretch.
  echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
  wine "$root/build/out/bench/extract_bench.exe" "$c"
  echo
done
