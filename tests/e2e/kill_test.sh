#!/usr/bin/env bash
# Kills the real program at random moments while it rewrites a large pathdef.m (tens of
# thousands of entries, or hundreds of thousands for a file of about 20 MB), many times over,
# alternating ADD and REMOVE, and SIGKILL with SIGHUP (an ssh session that drops). After every
# run pathdef.m must exist and hold the old or the new text, a backup, where there is one, must
# hold one of the two, and no pathdef.new may be left behind. A hang-up lets the rewrite under
# way finish: the run ends with 0 (done) or 3 (cancelled before any change).
#   kill_test.sh path/to/vorex [runs] [entries]
set -u
VOREX=$(readlink -f "$1")
RUNS=${2:-60}
ENTRIES=${3:-40000}
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d /tmp/vorex-kill-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
export VOREX_PAUSE_PERCENT=0
I=$WORK/install
cp -a "$HERE/../../examples/sample-install" "$I"
F=$I/toolbox/local/pathdef.m
N=$I/toolbox/local/pathdef.new
awk -v n="$ENTRIES" '/^%%% END ENTRIES %%%/ { for (i = 0; i < n; i++) printf "'"'"'/data/projects/p%06d/matlab/code:'"'"', ...\n", i } { print }' \
  "$HERE/../../examples/sample-install/toolbox/local/pathdef.m" > "$F"
cp "$F" "$WORK/A"
start=$(date +%s%N)
(cd "$WORK" && PATH="$I/bin:/usr/bin:/bin" "$VOREX" -command ADD -path /opt/killed </dev/null >/dev/null 2>&1)
took_ms=$(( ($(date +%s%N) - start) / 1000000 + 1 ))
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
  signal=KILL
  [ $((run % 2)) = 0 ] && signal=HUP
  cp "$F" "$WORK/before"
  (cd "$WORK" && PATH="$I/bin:/usr/bin:/bin" exec "$VOREX" -command $command -path /opt/killed </dev/null >/dev/null 2>&1) &
  pid=$!
  # Anywhere in a run's life: from its start to a little after a whole run would have ended.
  sleep "$(awk -v r=$RANDOM -v t="$took_ms" 'BEGIN {printf "%.3f", (r % 1000) / 1000 * t * 1.1 / 1000}')"
  kill -s $signal "$pid" 2>/dev/null && killed=$((killed + 1))
  wait "$pid" 2>/dev/null
  rc=$?
  ok=1
  if [ ! -e "$F" ]; then ok=0; echo "run $run ($signal): pathdef.m is gone"; fi
  if [ $ok = 1 ] && ! cmp -s "$F" "$WORK/A" && ! cmp -s "$F" "$WORK/B"; then ok=0; echo "run $run ($signal): pathdef.m holds neither text"; fi
  bak=$I/toolbox/local/pathdef.bak
  if [ -e "$bak" ] && ! cmp -s "$bak" "$WORK/A" && ! cmp -s "$bak" "$WORK/B"; then ok=0; echo "run $run ($signal): the backup holds neither text"; fi
  if [ -e "$N" ]; then ok=0; echo "run $run ($signal): pathdef.new was left behind"; rm -f "$N"; fi
  if [ $signal = HUP ] && [ "$rc" != 0 ] && [ "$rc" != 3 ]; then ok=0; echo "run $run (HUP): status $rc"; fi
  if [ $signal = HUP ] && [ "$rc" = 3 ] && ! cmp -s "$F" "$WORK/before"; then ok=0; echo "run $run (HUP): cancelled but changed"; fi
  if [ $ok = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  cmp -s "$F" "$WORK/before" || replaced=$((replaced + 1))
done
echo "($killed of $RUNS runs were signalled before they ended; $replaced replaced pathdef.m first; a whole run took $took_ms ms)"
echo "kill-test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
