#!/usr/bin/env bash
# Times the drive scan of a generated tree (about 200 000 directories and 1 000 000 files, a few
# local/pathdef.m at different depths) against find over the same tree, in rounds, and prints
# the median ratio and the scan's peak memory. The tree is kept in $VOREX_BENCH_TREE (default
# /tmp/vorex-bench-tree) between runs; set VOREX_BENCH_ROUNDS to change the number of rounds.
set -euo pipefail
cd "$(dirname "$0")/.."
TREE=${VOREX_BENCH_TREE:-/tmp/vorex-bench-tree}
ROUNDS=${VOREX_BENCH_ROUNDS:-5}
cmake --preset release -DVOREX_BENCH=ON >/dev/null
cmake --build --preset release -j"$(nproc)" --target scan_bench >/dev/null
BENCH=build/release/bench/scan_bench
if [ ! -e "$TREE/.complete" ]; then
  rm -rf "$TREE"
  echo "making the tree in $TREE (once)..."
  "$BENCH" make "$TREE"
  touch "$TREE/.complete"
fi
ratios=()
peak=0
# One untimed pass of each warms the cache for both.
"$BENCH" scan "$TREE" >/dev/null
find "$TREE" -xdev -ipath '*/local/pathdef.m' >/dev/null
for round in $(seq "$ROUNDS"); do
  read -r scan found rss < <("$BENCH" scan "$TREE")
  start=$(date +%s.%N)
  hits=$(find "$TREE" -xdev -ipath '*/local/pathdef.m' | wc -l)
  end=$(date +%s.%N)
  findt=$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.6f", b - a}')
  ratio=$(awk -v s="$scan" -v f="$findt" 'BEGIN {printf "%.6f", s / f}')
  printf 'round %d: scan %.3f s (%d found), find %.3f s (%d found), ratio %.3f, peak rss %d kB\n' \
    "$round" "$scan" "$found" "$findt" "$hits" "$ratio" "$rss"
  ratios+=("$ratio")
  [ "$rss" -gt "$peak" ] && peak=$rss
done
median=$(printf '%s\n' "${ratios[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
printf 'scan/find median ratio %.3f peak-rss-kb %d\n' "$median" "$peak"
