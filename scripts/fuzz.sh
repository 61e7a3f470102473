#!/usr/bin/env bash
# Builds the regular-expression engine's fuzz target natively (clang with
# libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer, the system's
# 16-bit PCRE2) and runs it. Not part of scripts/test.sh.
#
#   scripts/fuzz.sh [seconds]     run for that long (default 600) on the
#                                 committed corpus plus a scratch corpus
#   scripts/fuzz.sh --merge       fold the scratch corpus's new coverage into
#                                 the committed corpus (kept small; files
#                                 named regression-* are always kept)
# Findings (crash-*, timeout-*, leak-*) are written to build/fuzz/findings.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
src=$root/extract/builtin_regex/fuzz
out=$root/build/fuzz

packages=(clang libclang-rt-14-dev libpcre2-dev cmake ninja-build)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -o Acquire::Retries=3 || true
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S "$src" -B "$out/build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$out/build" >/dev/null
mkdir -p "$out/scratch" "$out/findings"

fuzzer=$out/build/regex_fuzzer
if [ "${1:-}" = --merge ]; then
  mkdir -p "$out/merged"
  rm -f "$out/merged"/*
  # Edges only (no hit counts, no comparisons): a few files cover them all.
  "$fuzzer" -merge=1 -use_counters=0 -use_value_profile=0 -use_cmp=0 -max_len=256 \
    "$out/merged" "$src/corpus" "$out/scratch"
  # Inputs kept by name (regression-*) stay whatever the merge chose.
  find "$src/corpus" -type f ! -name 'regression-*' -delete
  cp "$out/merged"/* "$src/corpus/"
  echo "corpus: $(ls "$src/corpus" | wc -l) files"
  exit 0
fi

seconds=${1:-600}
"$fuzzer" -max_total_time="$seconds" -max_len=256 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$out/findings/" \
  -dict="$src/regex.dict" "$out/scratch" "$src/corpus"
