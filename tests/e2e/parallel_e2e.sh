#!/usr/bin/env bash
# Runs of the built POSIX program at the same moment on one installation: each adds its own
# directory, and every one must end up in pathdef.m exactly once, with every original line kept
# in order, and every run exiting 0. Then a run that finds the file locked waits and edits what
# the lock's holder wrote.
#   parallel_e2e.sh path/to/vorex [ROUNDS] [RUNS]
set -u
VOREX=$(readlink -f "$1")
ROUNDS=${2:-20}
RUNS=${3:-8}
HERE=$(cd "$(dirname "$0")" && pwd)
SAMPLE="$HERE/../../examples/sample-install"
ORIG="$SAMPLE/toolbox/local/pathdef.m"
WORK=$(mktemp -d /tmp/vorex-parallel-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
export VOREX_PAUSE_PERCENT=0
lost=0
badexit=0

source "$HERE/check.sh"

I="$WORK/install"
P="$I/toolbox/local/pathdef.m"
for round in $(seq "$ROUNDS"); do
  rm -rf "$I"
  cp -a "$SAMPLE" "$I"
  pids=()
  for k in $(seq "$RUNS"); do
    mkdir -p "$WORK/cwd$k"
    (cd "$WORK/cwd$k" && PATH="$I/bin:/usr/bin:/bin" exec timeout 60 "$VOREX" -command ADD -path "/opt/r$round/run$k" \
      </dev/null >/dev/null 2>&1) &
    pids+=($!)
  done
  for k in $(seq "$RUNS"); do
    wait "${pids[$((k - 1))]}" || badexit=$((badexit + 1))
  done
  for k in $(seq "$RUNS"); do
    n=$(grep -c -F "'/opt/r$round/run$k:'" "$P")
    [ "$n" = 1 ] || lost=$((lost + 1))
  done
  grep -v -F "'/opt/r$round/" "$P" | cmp -s - "$ORIG" || { echo "round $round: original lines changed" >&2; lost=$((lost + 1)); }
  [ -e "$I/toolbox/local/pathdef.new" ] && { echo "round $round: pathdef.new left" >&2; lost=$((lost + 1)); }
done
echo "parallel: $ROUNDS rounds of $RUNS runs: $badexit runs exited non-zero, $lost additions lost or damaged files"
check "every parallel run exits 0" test "$badexit" -eq 0
check "no addition lost" test "$lost" -eq 0

# Another editor holds the lock for a second and adds its own entry meanwhile: the run waits for
# it and then edits the result.
if command -v flock >/dev/null; then
  rm -rf "$I"
  cp -a "$SAMPLE" "$I"
  flock "$I/toolbox/local" sh -c '
    touch "$1.held"
    sleep 1
    awk "/^%%% END ENTRIES %%%/ { print \"\\t'"'"'/opt/holder:'"'"',...\" } { print }" "$1" > "$1.tmp" && cat "$1.tmp" > "$1"
    rm "$1.tmp"' sh "$P" &
  holder=$!
  for _ in $(seq 100); do [ -e "$P.held" ] && break; sleep 0.05; done
  start=$(date +%s%N)
  (cd "$WORK/cwd1" && PATH="$I/bin:/usr/bin:/bin" timeout 60 "$VOREX" -command ADD -path /opt/waiter </dev/null >/dev/null 2>&1)
  rc=$?
  waited_ms=$(( ($(date +%s%N) - start) / 1000000 ))
  wait "$holder"
  check "waiting run exits 0" test "$rc" -eq 0
  check "waiting run waited for the holder (${waited_ms} ms)" test "$waited_ms" -ge 500
  check "holder's entry kept" grep -qF "'/opt/holder:'" "$P"
  check "waiting run's entry below it" bash -c "grep -A1 -F \"'/opt/holder:'\" '$P' | grep -qF \"'/opt/waiter:'\""
else
  echo "skipped: the held-lock case needs flock(1)" >&2
fi

report parallel-e2e
