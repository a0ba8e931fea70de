#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a fixed time from the seed corpus kept here.
#   fuzz/run.sh [seconds-per-target]   (default 20)
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-20}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"
for target in command_line pathdef_edit; do
  work=$(mktemp -d /tmp/vorex-fuzz-XXXXXX)
  cp fuzz/corpus/$target/* "$work/"
  echo "=== fuzz: $target for ${SECONDS_EACH}s"
  build/fuzz/${target}_fuzz -max_total_time="$SECONDS_EACH" -max_len=8192 -print_final_stats=1 \
    -artifact_prefix="$work/crash-" "$work" 2>&1 | grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)|ERROR|SUMMARY" || true
  if ls "$work"/crash-* >/dev/null 2>&1; then
    echo "fuzz: $target found a failing input:"; ls "$work"/crash-*; exit 1
  fi
  rm -rf "$work"
done
