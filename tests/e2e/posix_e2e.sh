#!/usr/bin/env bash
# End-to-end cases of the built POSIX program on copies of the sample installation.
#   posix_e2e.sh path/to/vorex
set -u
VOREX=$(readlink -f "$1")
HERE=$(cd "$(dirname "$0")" && pwd)
SAMPLE="$HERE/../../examples/sample-install"
WORK=$(mktemp -d /tmp/vorex-e2e-XXXXXX)
trap 'tmux kill-session -t vorex-e2e 2>/dev/null; rm -rf "$WORK"' EXIT
export VOREX_PAUSE_PERCENT=0

source "$HERE/check.sh"

fresh_install() {  # a new copy of the sample installation at $WORK/$1
  rm -rf "$WORK/$1"
  cp -a "$SAMPLE" "$WORK/$1"
  echo "$WORK/$1"
}

run_vorex() {  # run_vorex INSTALL ARGS... ; sets rc and out, runs in $WORK/cwd
  local install=$1
  shift
  mkdir -p "$WORK/cwd"
  out=$(cd "$WORK/cwd" && PATH="$install/bin:/usr/bin:/bin" "$VOREX" "$@" 2>&1 </dev/null)
  rc=$?
}

# Usage: no pair, and the log switch alone creates no log.
run_vorex "$(fresh_install u)" -log on
check "usage exit status" test "$rc" -eq 64
check "usage caption" grep -q "VOREX 2004: COMMAND-LINE SYNTAX" <<<"$out"
check "usage makes no log" test ! -e "$WORK/cwd/vorex.log"
run_vorex "$WORK/u" -command ADD -command REMOVE -path /x
check "unpaired values are refused" test "$rc" -eq 64

# ADD through the launcher on PATH, with the log.
I=$(fresh_install a)
ORIG=$(cat "$I/toolbox/local/pathdef.m")
run_vorex "$I" -command ADD -path "/opt/My Tools/v1" -log on
check "add exit status" test "$rc" -eq 0
check "add entry written" grep -qxF "	'/opt/My Tools/v1:',..." "$I/toolbox/local/pathdef.m"
check "add keeps backup" test "$(cat "$I/toolbox/local/pathdef.bak")" = "$ORIG"
check "add leaves no new file" test ! -e "$I/toolbox/local/pathdef.new"
check "add log names file" grep -qxF "Modify: $I/toolbox/local/pathdef.m for /opt/My Tools/v1" "$WORK/cwd/vorex.log"
check "add log closing brace" grep -qx "Got closing brace" "$WORK/cwd/vorex.log"
check "add shows completion" grep -q "MATLAB Path Update Complete." <<<"$out"

# The same ADD again: already listed, the file stays the same.
BEFORE=$(cat "$I/toolbox/local/pathdef.m")
run_vorex "$I" -command ADD -path "/opt/My Tools/v1"
check "second add succeeds" test "$rc" -eq 0
check "second add changes nothing" test "$(cat "$I/toolbox/local/pathdef.m")" = "$BEFORE"

# REMOVE gives back the original.
run_vorex "$I" -command REMOVE -path "/opt/My Tools/v1" -log on
check "remove exit status" test "$rc" -eq 0
check "remove restores original" test "$(cat "$I/toolbox/local/pathdef.m")" = "$ORIG"
check "remove log found" grep -qxF "Found: /opt/My Tools/v1" "$WORK/cwd/vorex.log"
check "log emptied by second run" test "$(grep -c '^Modify:' "$WORK/cwd/vorex.log")" -eq 0

# Both in one run: REMOVE first, then ADD.
run_vorex "$I" -command ADD -path /opt/b -command REMOVE -path /opt/a
run_vorex "$I" -command REMOVE -path /opt/b -command ADD -path /opt/c
check "both exit status" test "$rc" -eq 0
check "both removed" bash -c "! grep -q /opt/b '$I/toolbox/local/pathdef.m'"
check "both added" grep -qF "'/opt/c:'" "$I/toolbox/local/pathdef.m"

# A file without an insertion point: the failure box and status 1, file untouched.
F=$(fresh_install f)
printf 'function p = pathdef\np = [];\n' > "$F/toolbox/local/pathdef.m"
run_vorex "$F" -command ADD -path /opt/x
check "failure exit status" test "$rc" -eq 1
check "failure box" grep -q 'An error ocurred while updating "pathdef.m".' <<<"$out"
check "failure leaves file" test "$(cat "$F/toolbox/local/pathdef.m")" = "$(printf 'function p = pathdef\np = [];')"

# The drive scan, seen from a small root: the program runs in a chroot that holds only its
# libraries and, for the second case, two installations. It never walks the real disks.
source "$HERE/program_root.sh"
make_root() {  # make_root NAME: a fresh root at $WORK/root-NAME
  rm -rf "$WORK/root-$1"
  program_root "$VOREX" "$WORK/root-$1"
  echo "$WORK/root-$1"
}
if [ "$(id -u)" = 0 ] && command -v chroot >/dev/null; then
  R=$(make_root none)
  out=$(cd "$R" && chroot "$R" /vorex -command ADD -path /opt/x 2>&1 </dev/null); rc=$?
  check "not found exit status" test "$rc" -eq 2
  check "not found box" grep -q 'WARNING: The MATLAB "pathdef.m" file could not be found.' <<<"$out"

  R=$(make_root two)
  mkdir -p "$R/apps/r1/toolbox" "$R/srv/deep/r2/toolbox"
  cp -a "$SAMPLE/toolbox/local" "$R/apps/r1/toolbox/local"
  cp -a "$SAMPLE/toolbox/local" "$R/srv/deep/r2/toolbox/Local"
  # Enough directories for the read-ahead to run in parallel with the walk.
  for a in a b c d e f g h; do for b in $(seq 1 25); do mkdir -p "$R/data/$a/$b/x"; done; done
  ln -s /data "$R/data/a/link"
  out=$(cd "$R" && chroot "$R" /vorex -command ADD -path /opt/x -log on 2>&1 </dev/null); rc=$?
  check "scan exit status" test "$rc" -eq 0
  check "scan count" grep -q "MATLAB Path Update Complete (2 paths modified)." <<<"$out"
  check "scan edited first" grep -qF "'/opt/x:'" "$R/apps/r1/toolbox/local/pathdef.m"
  check "scan edited second" grep -qF "'/opt/x:'" "$R/srv/deep/r2/toolbox/Local/pathdef.m"
  check "scan log" grep -qxF "File: /srv/deep/r2/toolbox/Local/pathdef.m" "$R/vorex.log"
  # Each directory's sub-directories in listing order, a directory's block before those of its
  # sub-directories: the walk's order, whatever was read ahead. find lists in the same order.
  walk_order() {  # walk_order DIR: the Directory lines a walk of DIR writes, without the root prefix
    local sub subs
    subs=$(find "$1" -mindepth 1 -maxdepth 1 -type d)
    [ -n "$subs" ] || return 0
    sed "s|^$R||" <<<"$subs"
    while read -r sub; do walk_order "$sub"; done <<<"$subs"
  }
  walk_order "$R" | grep -v '^$' | sed 's|^|Directory: |' > "$WORK/order.expected"
  grep '^Directory: ' "$R/vorex.log" > "$WORK/order.logged"
  check "scan log: every directory, in the walk's order" cmp -s "$WORK/order.expected" "$WORK/order.logged"

  # Installations in the standard places and no launcher on PATH: found without a drive walk.
  R=$(make_root std)
  mkdir -p "$R/usr/local/MATLAB/R2023b/toolbox" "$R/opt/MATLAB/R2024a/toolbox"
  cp -a "$SAMPLE/toolbox/local" "$R/usr/local/MATLAB/R2023b/toolbox/local"
  cp -a "$SAMPLE/toolbox/local" "$R/opt/MATLAB/R2024a/toolbox/local"
  out=$(cd "$R" && chroot "$R" /vorex -command ADD -path /opt/x -log on 2>&1 </dev/null); rc=$?
  check "standard roots: exit status" test "$rc" -eq 0
  check "standard roots: count" grep -q "MATLAB Path Update Complete (2 paths modified)." <<<"$out"
  check "standard roots: first edited" grep -qF "'/opt/x:'" "$R/usr/local/MATLAB/R2023b/toolbox/local/pathdef.m"
  check "standard roots: second edited" grep -qF "'/opt/x:'" "$R/opt/MATLAB/R2024a/toolbox/local/pathdef.m"
  check "standard roots: logged" grep -qxF "Registry: /opt/MATLAB/R2024a/toolbox/local/pathdef.m" "$R/vorex.log"
  check "standard roots: no drive walked" bash -c "! grep -q '^Checking: ' '$R/vorex.log'"
else
  echo "skipped: the drive-scan cases need root and chroot" >&2
fi

# On a terminal: Enter presses Cancel, and the cancel box waits for Enter.
if command -v tmux >/dev/null; then
  I=$(fresh_install t)
  tmux kill-session -t vorex-e2e 2>/dev/null
  tmux new-session -d -s vorex-e2e -x 120 -y 30 \
    "cd '$WORK/cwd' && PATH='$I/bin:/usr/bin:/bin' VOREX_PAUSE_PERCENT=100 '$VOREX' -command ADD -path /opt/t; echo EXIT=\$? > '$WORK/tty-exit'; sleep 30"
  for _ in $(seq 50); do tmux capture-pane -p -t vorex-e2e | grep -q "Searching Registry" && break; sleep 0.1; done
  tmux send-keys -t vorex-e2e Enter
  for _ in $(seq 50); do tmux capture-pane -p -t vorex-e2e | grep -q "CANCELLED" && break; sleep 0.1; done
  check "tty cancel box shown" bash -c "tmux capture-pane -p -t vorex-e2e | grep -q 'MATLAB path updated CANCELLED!'"
  sleep 0.5
  check "tty box waits for Enter" test ! -e "$WORK/tty-exit"
  tmux send-keys -t vorex-e2e Enter
  for _ in $(seq 100); do [ -e "$WORK/tty-exit" ] && break; sleep 0.1; done
  check "tty cancel exit status" grep -qx "EXIT=3" "$WORK/tty-exit"
  check "tty cancel left file" test "$(cat "$I/toolbox/local/pathdef.m")" = "$(cat "$SAMPLE/toolbox/local/pathdef.m")"
  tmux kill-session -t vorex-e2e 2>/dev/null
else
  echo "skipped: the terminal case needs tmux" >&2
fi

# Unattended runs from a terminal, where the dialog would be drawn and boxes would wait for
# Enter: with -silent on nothing is drawn and nothing waits, even with the pauses at full length.
tty_run() {  # tty_run NAME COMMAND: runs COMMAND in a terminal; sets rc, pane and seconds
  tmux kill-session -t vorex-silent 2>/dev/null
  rm -f "$WORK/silent-exit"
  local start=$(date +%s%N)
  tmux new-session -d -s vorex-silent -x 120 -y 30 "$2; echo EXIT=\$? > '$WORK/silent-exit'; sleep 30"
  for _ in $(seq 150); do [ -s "$WORK/silent-exit" ] && break; sleep 0.1; done
  seconds=$(( ($(date +%s%N) - start) / 1000000000 ))
  rc=$(sed -n 's/^EXIT=//p' "$WORK/silent-exit" 2>/dev/null)
  pane=$(tmux capture-pane -p -t vorex-silent)
  tmux kill-session -t vorex-silent 2>/dev/null
}
if command -v tmux >/dev/null; then
  I=$(fresh_install s)
  tty_run success "cd '$WORK/cwd' && PATH='$I/bin:/usr/bin:/bin' VOREX_PAUSE_PERCENT=100 '$VOREX' -command ADD -path /opt/s -silent on"
  check "silent success: status 0" test "$rc" = 0
  check "silent success: well under the 9 s of pauses (${seconds} s)" test "$seconds" -le 3
  check "silent success: nothing drawn" bash -c "! grep -q 'Searching\|Complete\|Cancel' <<<'$pane'"
  check "silent success: edited" grep -qF "'/opt/s:'" "$I/toolbox/local/pathdef.m"
  tty_run usage "'$VOREX' -silent on -command ADD"
  check "silent usage: status 64" test "$rc" = 64
  check "silent usage: nothing waits" bash -c "! grep -q 'Press Enter' <<<'$pane'"
  if [ "$(id -u)" = 0 ] && command -v chroot >/dev/null; then
    R=$(make_root none)
    tty_run notfound "cd '$R' && VOREX_PAUSE_PERCENT=100 chroot '$R' /vorex -silent on -command ADD -path /opt/x"
    check "silent not found: status 2" test "$rc" = 2
    check "silent not found: ends by itself (${seconds} s)" test "$seconds" -le 3
    check "silent not found: text on stderr" grep -q 'could not be found' <<<"$pane"
    check "silent not found: nothing waits" bash -c "! grep -q 'Press Enter' <<<'$pane'"
  fi
fi

report posix-e2e
