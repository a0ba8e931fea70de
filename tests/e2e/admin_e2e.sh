#!/usr/bin/env bash
# What administrators and configuration tools rely on, with the built POSIX program: -matlabroot
# edits exactly the installations named, -check on writes nothing and answers by its status and
# report, the report on standard output, and a repeated ADD that leaves everything as it was.
#   admin_e2e.sh path/to/vorex
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
SAMPLE="$HERE/../../examples/sample-install"
WORK=$(mktemp -d /tmp/vorex-admin-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
VOREX=$(readlink -f "$1")
export VOREX_PAUSE_PERCENT=0
source "$HERE/check.sh"

cd "$WORK" || exit 1
mkdir -p opt/elsewhere home/u
cp -a "$SAMPLE" opt/R2024a
cp -a "$SAMPLE" home/u/matlab
cp -a "$SAMPLE" launched  # what the launcher on PATH leads to: never to be touched
A=$WORK/opt/R2024a/toolbox/local/pathdef.m
B=$WORK/home/u/matlab/toolbox/local/pathdef.m
L=$WORK/launched/toolbox/local/pathdef.m
cp "$L" "$WORK/launched-before"
state() { stat -c '%i %Y %s' "$@"; }

# Two named roots (one relative), a launcher on PATH pointing elsewhere: only the two.
out=$(PATH="$WORK/launched/bin:/usr/bin:/bin" "$VOREX" -silent on -command ADD -path /opt/tb \
  -matlabroot "$WORK/opt/R2024a" -matlabroot home/u/matlab 2>"$WORK/err"); rc=$?
check "named: status 0" test "$rc" -eq 0
check "named: report" test "$out" = "changed $A
changed $B"
check "named: first edited" grep -qF "'/opt/tb:'" "$A"
check "named: second edited" grep -qF "'/opt/tb:'" "$B"
check "named: the launcher's installation untouched" cmp -s "$L" "$WORK/launched-before"

# One root missing: the other is edited, status 1, the reason on stderr.
out=$(PATH="/usr/bin:/bin" "$VOREX" -silent on -command ADD -path /opt/two -matlabroot "$WORK/gone" \
  -matlabroot "$WORK/opt/R2024a" 2>"$WORK/err"); rc=$?
check "missing root: status 1" test "$rc" -eq 1
check "missing root: the other edited" grep -qF "'/opt/two:'" "$A"
check "missing root: report" test "$out" = "failed $WORK/gone/toolbox/local/pathdef.m
changed $A"
check "missing root: reason" grep -qF "Failed: find $WORK/gone/toolbox/local/pathdef.m: No such file or directory" "$WORK/err"

# Check mode: one file that would change and one that would not; nothing written at all.
cp "$A" "$WORK/a-before"; cp "$B" "$WORK/b-before"
before=$(state "$A" "$B" "$WORK/opt/R2024a/toolbox/local/pathdef.bak")
listing=$(ls -la "$WORK/opt/R2024a/toolbox/local" "$WORK/home/u/matlab/toolbox/local")
sleep 1.1  # a rewrite would now show in the times
out=$(PATH="/usr/bin:/bin" "$VOREX" -check on -command ADD -path /opt/two -matlabroot "$WORK/opt/R2024a" \
  -matlabroot "$WORK/home/u/matlab" 2>"$WORK/err"); rc=$?
check "check: status 4 when a file would change" test "$rc" -eq 4
check "check: report" test "$out" = "unchanged $A
would change $B"
check "check: bytes, inodes and times unchanged" test "$(state "$A" "$B" "$WORK/opt/R2024a/toolbox/local/pathdef.bak")" = "$before"
check "check: nothing new beside them" test "$(ls -la "$WORK/opt/R2024a/toolbox/local" "$WORK/home/u/matlab/toolbox/local")" = "$listing"
out=$(PATH="/usr/bin:/bin" "$VOREX" -check ON -command ADD -path /opt/two -matlabroot "$WORK/opt/R2024a" 2>/dev/null); rc=$?
check "check: status 0 when nothing would change" test "$rc" -eq 0
check "check: unchanged reported" test "$out" = "unchanged $A"
PATH="/usr/bin:/bin" "$VOREX" -check on -command ADD -path /opt/two -matlabroot "$WORK/gone" >/dev/null 2>&1; rc=$?
check "check: status 2 when none is found" test "$rc" -eq 2
PATH="/usr/bin:/bin" "$VOREX" -check on -command ADD -path /opt/two -matlabroot "$WORK/gone" -matlabroot "$WORK/opt/R2024a" >/dev/null 2>&1; rc=$?
check "check: status 1 when one is missing" test "$rc" -eq 1

# Check mode under strace, with rights where the test has them (a run with rights would take the
# private lock in /run/vorex): no file created, written, renamed, linked or removed anywhere.
if command -v strace >/dev/null; then
  strace -f -qq -o "$WORK/trace" -e trace=open,openat,creat,mkdir,mkdirat,rename,renameat,renameat2,link,linkat,unlink,unlinkat,symlink,symlinkat,truncate,ftruncate,fchmod,fchmodat,fchown,fchownat \
    env PATH="/usr/bin:/bin" "$VOREX" -check on -command ADD -path /opt/three -matlabroot "$WORK/opt/R2024a" \
    -matlabroot "$WORK/home/u/matlab" >"$WORK/check-out" 2>&1
  # Nothing is opened for writing (so no write reaches a file), and nothing is made or moved.
  changes=$(grep -E 'O_CREAT|O_WRONLY|O_RDWR|O_TMPFILE|^[0-9]+ +(mkdir|rename|link|unlink|symlink|truncate|ftruncate|fchmod|fchown)' "$WORK/trace" | grep -v -e ' = -1 ' -e '/dev/tty')
  check "check: no file created, written, renamed or removed (strace)" test -z "$changes"
  [ -z "$changes" ] || echo "$changes" >&2
fi

# A second identical ADD: pathdef.m and pathdef.bak exactly as the first left them.
PATH="/usr/bin:/bin" "$VOREX" -silent on -command ADD -path /opt/again -matlabroot "$WORK/opt/R2024a" >/dev/null 2>&1
after_first=$(state "$A" "$WORK/opt/R2024a/toolbox/local/pathdef.bak")
cp "$A" "$WORK/a-first"; cp "$WORK/opt/R2024a/toolbox/local/pathdef.bak" "$WORK/bak-first"
sleep 1.1
out=$(PATH="/usr/bin:/bin" "$VOREX" -silent on -command ADD -path /opt/again -matlabroot "$WORK/opt/R2024a" 2>/dev/null); rc=$?
check "again: status 0" test "$rc" -eq 0
check "again: reported unchanged" test "$out" = "unchanged $A"
check "again: pathdef.m and its backup untouched" test "$(state "$A" "$WORK/opt/R2024a/toolbox/local/pathdef.bak")" = "$after_first"
check "again: same bytes" cmp -s "$A" "$WORK/a-first"
check "again: backup of the last real change kept" cmp -s "$WORK/opt/R2024a/toolbox/local/pathdef.bak" "$WORK/bak-first"

report admin_e2e
