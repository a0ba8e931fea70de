#!/usr/bin/env bash
# Times the whole release program as a user meets it: vorex walking a generated tree as its
# whole file system (a chroot holding only the program, its libraries and the tree: no /proc, so
# "/" is the only fixed drive, and no launcher on PATH), with its time on an empty root measured
# in the same rounds and taken off; against find and fd over the same tree, alternating.
# Prints one line per reference and last
#   whole-program scan/find median ratio R1 scan/fd median ratio R2 peak-rss-kb K
# for each of two tree sizes. Root only (chroot).
#   VOREX_BENCH_ROUNDS=5  rounds per size
#   VOREX_BENCH_COLD=1    drop the page cache before every timed run
set -euo pipefail
cd "$(dirname "$0")/.."
ROUNDS=${VOREX_BENCH_ROUNDS:-5}
BASE=${VOREX_BENCH_BASE:-/tmp/vorex-bench-whole}
[ "$(id -u)" = 0 ] || { echo "needs root (chroot)"; exit 1; }
if ! command -v fdfind >/dev/null; then
  apt-get update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends fd-find >/dev/null
fi
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DVOREX_TESTS=OFF -DVOREX_BENCH=ON >/dev/null
cmake --build build/bench -j"$(nproc)" --target vorex scan_bench >/dev/null
VOREX=$(readlink -f build/bench/vorex)
BENCH=build/bench/bench/scan_bench
CHROOT=$(command -v chroot)

source tests/e2e/program_root.sh
now() { date +%s.%N; }
cold() { if [ "${VOREX_BENCH_COLD:-0}" = 1 ]; then sync; echo 3 > /proc/sys/vm/drop_caches; fi; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
run_vorex() {  # run_vorex ROOT: prints "seconds peak-rss-kb"
  local start end rss
  start=$(now)
  # No launcher on PATH inside the root; the run's status (2 on the empty root) is not looked at.
  rss=$(cd "$1" && VOREX_PAUSE_PERCENT=0 PATH=/nowhere /usr/bin/time -f %M "$CHROOT" "$1" /vorex -silent on \
    -command ADD -path /opt/bench 2>&1 >/dev/null </dev/null | tail -1 || true)
  end=$(now)
  echo "$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.6f", b - a}') $rss"
}
timed() {  # timed COMMAND...: prints seconds
  local start end
  start=$(now)
  "$@" >/dev/null 2>&1 || true
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN {printf "%.6f", b - a}'
}

program_root "$VOREX" "$BASE/empty"
for leaves in 5 25; do
  R="$BASE/root-$leaves"
  if [ ! -e "$R/.complete" ]; then
    rm -rf "$R"
    program_root "$VOREX" "$R"
    echo "making a tree with $leaves leaves per directory in $R/t (once)..."
    "$BENCH" make "$R/t" "$leaves" | sed 's/^/  /'
    touch "$R/.complete"
  fi
  program_root "$VOREX" "$R"  # the program as just built, not the one the tree was made with
  # Real files at the installations, so each run edits them as it would a user's.
  find "$R/t" -xdev -ipath '*/local/pathdef.m' -exec cp examples/sample-install/toolbox/local/pathdef.m {} \;
  dirs=$(find "$R/t" -xdev -type d | wc -l)
  # Warm-up passes.
  run_vorex "$R" >/dev/null; run_vorex "$BASE/empty" >/dev/null
  find "$R/t" -xdev -ipath '*/local/pathdef.m' >/dev/null; fdfind -u -i -p '/local/pathdef\.m$' "$R/t" >/dev/null
  rf=(); rd=(); peak=0
  for round in $(seq "$ROUNDS"); do
    cold; read -r whole rss < <(run_vorex "$R")
    cold; read -r empty _ < <(run_vorex "$BASE/empty")
    cold; findt=$(timed find "$R/t" -xdev -ipath '*/local/pathdef.m')
    cold; fdt=$(timed fdfind -u -i -p '/local/pathdef\.m$' "$R/t")
    scan=$(awk -v w="$whole" -v e="$empty" 'BEGIN {s = w - e; if (s < 0.000001) s = 0.000001; printf "%.6f", s}')
    rf+=("$(awk -v s="$scan" -v f="$findt" 'BEGIN {printf "%.4f", s / f}')")
    rd+=("$(awk -v s="$scan" -v f="$fdt" 'BEGIN {printf "%.4f", s / f}')")
    [ "$rss" -gt "$peak" ] && peak=$rss
    printf 'round %d: vorex %.3f s (empty root %.3f s), find %.3f s, fd %.3f s\n' "$round" "$whole" "$empty" "$findt" "$fdt"
  done
  echo "tree: $dirs directories, $leaves leaves per inner directory${VOREX_BENCH_COLD:+, cold cache}"
  echo "reference find: median ratio $(median "${rf[@]}")"
  echo "reference fd: median ratio $(median "${rd[@]}")"
  printf 'whole-program scan/find median ratio %.3f scan/fd median ratio %.3f peak-rss-kb %d\n' \
    "$(median "${rf[@]}")" "$(median "${rd[@]}")" "$peak"
done
