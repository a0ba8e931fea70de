#!/usr/bin/env bash
# Kills the real program with SIGKILL at random moments while it rewrites a large pathdef.m
# (tens of thousands of entries), many times over, alternating ADD and REMOVE. After every kill
# pathdef.m must exist and hold the old or the new text, and a backup, where there is one, must
# hold one of the two.
#   kill_test.sh path/to/vorex [runs]
set -u
VOREX=$(readlink -f "$1")
RUNS=${2:-60}
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d /tmp/vorex-kill-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
export VOREX_PAUSE_PERCENT=0
I=$WORK/install
cp -a "$HERE/../../examples/sample-install" "$I"
F=$I/toolbox/local/pathdef.m
# Forty thousand entries before the end marker.
awk '/^%%% END ENTRIES %%%/ { for (i = 0; i < 40000; i++) printf "'"'"'/data/projects/p%05d/matlab/code:'"'"', ...\n", i } { print }' \
  "$HERE/../../examples/sample-install/toolbox/local/pathdef.m" > "$F"
cp "$F" "$WORK/A"
(cd "$WORK" && PATH="$I/bin:/usr/bin:/bin" "$VOREX" -command ADD -path /opt/killed </dev/null >/dev/null 2>&1)
cp "$F" "$WORK/B"
cp "$WORK/A" "$F"
rm -f "$I/toolbox/local/pathdef.bak"
if cmp -s "$WORK/A" "$WORK/B"; then echo "kill-test: 0 passed, 1 failed (the ADD changed nothing)"; exit 1; fi

passed=0
failed=0
killed=0
replaced=0
for run in $(seq "$RUNS"); do
  if cmp -s "$F" "$WORK/A"; then command=ADD; else command=REMOVE; fi
  cp "$F" "$WORK/before"
  (cd "$WORK" && PATH="$I/bin:/usr/bin:/bin" exec "$VOREX" -command $command -path /opt/killed </dev/null >/dev/null 2>&1) &
  pid=$!
  sleep "$(awk -v r=$RANDOM 'BEGIN {printf "%.3f", r % 300 / 1000}')"
  kill -9 "$pid" 2>/dev/null && killed=$((killed + 1))
  wait "$pid" 2>/dev/null
  ok=1
  if [ ! -e "$F" ]; then ok=0; echo "run $run: pathdef.m is gone"; fi
  if [ $ok = 1 ] && ! cmp -s "$F" "$WORK/A" && ! cmp -s "$F" "$WORK/B"; then ok=0; echo "run $run: pathdef.m holds neither text"; fi
  bak=$I/toolbox/local/pathdef.bak
  if [ -e "$bak" ] && ! cmp -s "$bak" "$WORK/A" && ! cmp -s "$bak" "$WORK/B"; then ok=0; echo "run $run: the backup holds neither text"; fi
  if [ $ok = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  cmp -s "$F" "$WORK/before" || replaced=$((replaced + 1))
done
echo "($killed of $RUNS runs were killed before they ended; $replaced replaced pathdef.m first)"
echo "kill-test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
