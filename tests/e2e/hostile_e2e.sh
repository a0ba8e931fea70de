#!/usr/bin/env bash
# The built POSIX program against odd files and odd directories: CR-only and mixed line ends,
# FIFOs under each of the four names, linked pathdef.m files, a backup that is a directory,
# directories that are rewritten or refused, no rights, a read-only pathdef.m. Every file a case
# writes is checked byte for byte and, where GNU Octave is installed, evaluated.
#   hostile_e2e.sh path/to/vorex
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
SAMPLE="$HERE/../../examples/sample-install"
EVAL="$HERE/../support/octave_eval.sh"
WORK=$(mktemp -d /tmp/vorex-hostile-XXXXXX)
chmod 755 "$WORK"
trap 'rm -rf "$WORK"' EXIT
cp "$1" "$WORK/vorex"
VOREX="$WORK/vorex"
export VOREX_PAUSE_PERCENT=0
ORIG="$SAMPLE/toolbox/local/pathdef.m"

source "$HERE/check.sh"

fresh() {  # fresh NAME: a new copy of the sample installation; sets I and P (its pathdef.m)
  I="$WORK/$1"
  rm -rf "$I"
  cp -a "$SAMPLE" "$I"
  P="$I/toolbox/local/pathdef.m"
}

run() {  # run ARGS...: runs in $WORK/cwd on installation $I; sets rc and err (stderr)
  mkdir -p "$WORK/cwd"
  err=$(cd "$WORK/cwd" && PATH="$I/bin:/usr/bin:/bin" timeout 20 "$VOREX" "$@" 2>&1 >/dev/null </dev/null)
  rc=$?
}

# The sample with the entry for $1 put above the END marker.
with_entry() {
  awk -v e="	'$1:',..." '/^%%% END ENTRIES %%%/ { print e } { print }' "$ORIG"
}

same() { cmp -s "$1" "$2"; }

# Octave reads the file as one row that holds $2 once.
evaluates_with() {
  [ -x "$(command -v octave-cli)" ] || return 0
  local path
  path=$(bash "$EVAL" "$1")
  [ -n "$path" ] && [ "$(grep -o -F -- "$2:" <<<"$path" | wc -l)" = 1 ]
}

# --- Line ends.
fresh cr
tr '\n' '\r' < "$ORIG" > "$P"
run -command ADD -path /opt/x
check "cr-only: exit 0" test "$rc" -eq 0
check "cr-only: every line kept, entry ends in CR" same "$P" <(with_entry /opt/x | tr '\n' '\r')
check "cr-only: backup is the original" same "$I/toolbox/local/pathdef.bak" <(tr '\n' '\r' < "$ORIG")
check "cr-only: octave" evaluates_with "$P" /opt/x

fresh mixed
# Lines end in CR, LF or CR LF by turns; the entry takes the ending of the marker line.
mixed() {  # mixed WITH_ENTRY
  awk -v ins="$1" -v e="	'/opt/x:',..." '{ eol = (NR % 3 == 0) ? "\r\n" : (NR % 3 == 1) ? "\r" : "\n" }
    ins && /^%%% END ENTRIES %%%/ { printf "%s%s", e, eol } { printf "%s%s", $0, eol }' "$ORIG"
}
mixed 0 > "$P"
run -command ADD -path /opt/x -command REMOVE -path /opt/none
check "mixed: exit 0" test "$rc" -eq 0
check "mixed: each line keeps its ending" same "$P" <(mixed 1)
check "mixed: octave" evaluates_with "$P" /opt/x

# --- FIFOs under each name: refused or replaced, never waited on.
fresh fifo-m
rm "$P" && mkfifo "$P"
run -command ADD -path /opt/x
check "fifo pathdef.m: exit 1 without hanging" test "$rc" -eq 1
check "fifo pathdef.m: reason on stderr" grep -qF "Failed: read $P: not a regular file" <<<"$err"
check "fifo pathdef.m: still a fifo" test -p "$P"

fresh fifo-new
mkfifo "$I/toolbox/local/pathdef.new"
run -command ADD -path /opt/x
check "fifo pathdef.new: exit 0" test "$rc" -eq 0
check "fifo pathdef.new: edited" same "$P" <(with_entry /opt/x)
check "fifo pathdef.new: none left" test ! -e "$I/toolbox/local/pathdef.new"

fresh fifo-bak
mkfifo "$I/toolbox/local/pathdef.bak"
run -command ADD -path /opt/x
check "fifo pathdef.bak: exit 0" test "$rc" -eq 0
check "fifo pathdef.bak: backup is the original" same "$I/toolbox/local/pathdef.bak" "$ORIG"

fresh fifo-log
rm -f "$WORK/cwd/vorex.log"; mkdir -p "$WORK/cwd"; mkfifo "$WORK/cwd/vorex.log"
run -command ADD -path /opt/x -log on
check "fifo vorex.log: exit 0, log left off" test "$rc" -eq 0
check "fifo vorex.log: still a fifo" test -p "$WORK/cwd/vorex.log"
check "fifo vorex.log: edited" same "$P" <(with_entry /opt/x)
rm -f "$WORK/cwd/vorex.log"

# --- Links.
fresh link
mkdir -p "$WORK/shared"
cp "$ORIG" "$WORK/shared/common.m"
rm "$P" && ln -s "$WORK/shared/common.m" "$P"
run -command ADD -path /opt/x
check "link: exit 0" test "$rc" -eq 0
check "link: still the same link" test "$(readlink "$P")" = "$WORK/shared/common.m"
check "link: target edited" same "$WORK/shared/common.m" <(with_entry /opt/x)
check "link: backup beside the target" same "$WORK/shared/pathdef.bak" "$ORIG"
check "link: nothing beside the link" test ! -e "$I/toolbox/local/pathdef.bak"
check "link: octave" evaluates_with "$WORK/shared/common.m" /opt/x

fresh dangling
rm "$P" && ln -s "$WORK/nowhere/pathdef.m" "$P"
run -command ADD -path /opt/x
check "dangling link: exit 1" test "$rc" -eq 1
check "dangling link: reason" grep -qF "Failed: follow link $P: the link leads nowhere" <<<"$err"
check "dangling link: unchanged" test "$(readlink "$P")" = "$WORK/nowhere/pathdef.m"

# --- A backup that is a directory.
fresh bakdir
mkdir "$I/toolbox/local/pathdef.bak"
run -command ADD -path /opt/x
check "backup directory: exit 1" test "$rc" -eq 1
check "backup directory: unchanged" same "$P" "$ORIG"
check "backup directory: no pathdef.new left" test ! -e "$I/toolbox/local/pathdef.new"
check "backup directory: reason" grep -qF "Failed: remove $I/toolbox/local/pathdef.bak: Is a directory" <<<"$err"

# --- Directories written as given: relative ones made absolute, nothing trimmed away.
while IFS='|' read -r name given written; do
  fresh "dir-$name"
  run -command ADD -path "$given"
  check "directory $name: exit 0" test "$rc" -eq 0
  check "directory $name: written as $written" same "$P" <(with_entry "$written")
  check "directory $name: octave" evaluates_with "$P" "$(sed "s/''/'/g" <<<"$written")"
done <<EOF
cwd|.|$WORK/cwd
parent|..|$WORK
dotslash|./x|$WORK/cwd/x
dotdot|../lib|$WORK/lib
bare|my tools|$WORK/cwd/my tools
dot|/opt/lib.|/opt/lib.
apostrophe|/opt/a'|/opt/a''
semicolon|/opt/x;|/opt/x;
EOF

# Listed only as named exactly: "/opt/x." and "/opt/x;" are other directories than "/opt/x"; a
# trailing "/" names the same one.
fresh exact
with_entry /opt/x > "$P"
run -command ADD -path /opt/x.
run -command ADD -path '/opt/x;'
run -command ADD -path /opt/x/
check "exact names: exit 0" test "$rc" -eq 0
check "exact names: the two others added, /opt/x/ not" same "$P" <(with_entry /opt/x | awk -v e="	'/opt/x.:',...
	'/opt/x;:',..." '/^%%% END ENTRIES %%%/ { print e } { print }')
check "exact names: octave" evaluates_with "$P" /opt/x.
# REMOVE takes only what names that directory or one beneath it.
run -command ADD -path "/opt/x'"
run -command ADD -path '/opt/x\y'
run -command ADD -path /opt/x/sub
run -command REMOVE -path /opt/x
check "exact names: REMOVE exit 0" test "$rc" -eq 0
check "exact names: REMOVE leaves the others" same "$P" <(awk -v e="	'/opt/x.:',...
	'/opt/x;:',...
	'/opt/x'':',...
	'/opt/x\\y:',..." '/^%%% END ENTRIES %%%/ { print e } { print }' "$ORIG")

# One argument is one directory, whatever it holds: nothing in it is an option.
fresh whole
with_entry /opt/x > "$P"
run -command ADD -path "/opt/My Tools -command REMOVE -path /opt/x"
check "one argument: exit 0" test "$rc" -eq 0
check "one argument: added as one directory, /opt/x kept" same "$P" <(with_entry /opt/x |
  awk -v e="	'/opt/My Tools -command REMOVE -path /opt/x:',..." '/^%%% END ENTRIES %%%/ { print e } { print }')
check "one argument: octave" evaluates_with "$P" "/opt/My Tools -command REMOVE -path /opt/x"

fresh dquote
run -path '/opt/a"b' -command ADD -path /opt/c -command ADD
check "double quote: exit 0" test "$rc" -eq 0
# The pairs are carried out last one first.
check "double quote: both added" same "$P" <(awk -v e="	'/opt/c:',...
	'/opt/a\"b:',..." '/^%%% END ENTRIES %%%/ { print e } { print }' "$ORIG")

# --- Refused directories: the usage message with its problem, status 64, nothing touched.
fresh refused
for dir in '~/m' $'/opt/a\nb' $'/opt/a\rb' '/opt/a:b'; do
  run -command ADD -path "$dir"
  check "refused $(printf %q "$dir"): exit 64" test "$rc" -eq 64
  check "refused $(printf %q "$dir"): problem named" grep -q "^Problem: " <<<"$err"
  check "refused $(printf %q "$dir"): file untouched" same "$P" "$ORIG"
  check "refused $(printf %q "$dir"): no backup" test ! -e "$I/toolbox/local/pathdef.bak"
done

# A relative directory is checked as it is written: made absolute against a current directory
# whose name holds a line break, it would write two lines.
fresh refused-cwd
mkdir -p "$WORK/a
b"
err=$(cd "$WORK/a
b" && PATH="$I/bin:/usr/bin:/bin" timeout 20 "$VOREX" -command ADD -path x 2>&1 >/dev/null </dev/null)
rc=$?
check "refused: relative in a folder with a line break: exit 64" test "$rc" -eq 64
check "refused: relative in a folder with a line break: problem named" grep -q "^Problem: .*line break" <<<"$err"
check "refused: relative in a folder with a line break: file untouched" same "$P" "$ORIG"
for dir in $'/opt/a\xe2\x80\xa8b' '/opt/x %%% END ENTRIES %%%'; do
  run -command ADD -path "$dir"
  check "refused $(printf %q "$dir"): exit 64" test "$rc" -eq 64
  check "refused $(printf %q "$dir"): file untouched" same "$P" "$ORIG"
done

# Options: an unknown one where an option must stand, or a value that is none of the option's
# words, is a bad command line. (After a directory the same words would be part of it.)
for args in "-silnet on" "-silent yes" "-silent on extra" "-notfound maybe" "-report xml" "-diff"; do
  # shellcheck disable=SC2086 # the words are meant to be split
  run $args -command ADD -path /opt/x
  check "refused option $args: exit 64" test "$rc" -eq 64
  check "refused option $args: problem named" grep -q "^Problem: .*${args%% *}" <<<"$err"
  check "refused option $args: file untouched" same "$P" "$ORIG"
done

# --- No rights: an ordinary user on an installation owned by root.
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  fresh norights
  chmod -R a+rX "$I"
  mkdir -p "$WORK/cwd-nobody" && chmod 777 "$WORK/cwd-nobody"
  err=$(cd "$WORK/cwd-nobody" && PATH="$I/bin:/usr/bin:/bin" timeout 20 setpriv --reuid=nobody --regid=nogroup \
    --clear-groups "$VOREX" -command ADD -path /opt/x -log on 2>&1 >/dev/null </dev/null)
  rc=$?
  check "no rights: exit 1" test "$rc" -eq 1
  check "no rights: reason on stderr" grep -qF "Failed: create $I/toolbox/local/pathdef.new: Permission denied" <<<"$err"
  check "no rights: reason in the log" grep -qxF "Failed: create $I/toolbox/local/pathdef.new: Permission denied" \
    "$WORK/cwd-nobody/vorex.log"
  check "no rights: unchanged" same "$P" "$ORIG"

  # Out of threads (a per-user process limit). No worker: an unattended run ends at once as a
  # failure that says why, rather than wait for a user who is not there.
  fresh nothreads
  chown -R nobody "$I"
  err=$(cd "$WORK/cwd-nobody" && PATH="$I/bin:/usr/bin:/bin" timeout 20 prlimit --nproc=1 setpriv --reuid=nobody \
    --regid=nogroup --clear-groups "$VOREX" -silent on -command ADD -path /opt/x 2>&1 >/dev/null </dev/null)
  rc=$?
  check "no threads: exit 1, no wait" test "$rc" -eq 1
  check "no threads: reason on stderr" grep -q "^Failed: start the update: " <<<"$err"
  check "no threads: unchanged" same "$P" "$ORIG"
  # A worker but too few threads for the drive scan's readers: the walk lists the rest itself.
  if command -v chroot >/dev/null; then
    source "$HERE/program_root.sh"
    R="$WORK/root-nothreads"
    program_root "$VOREX" "$R"
    mkdir -p "$R/srv/a/toolbox" && cp -a "$SAMPLE/toolbox/local" "$R/srv/a/toolbox/local"
    for d in $(seq 1 40); do mkdir -p "$R/data/$d/x"; done
    chown -R nobody "$R/srv"
    for n in 2 4; do
      out=$(cd "$R" && timeout 20 prlimit --nproc=$n chroot --userspec=nobody:nogroup "$R" /vorex -silent on \
        -command ADD -path /opt/n$n 2>&1 </dev/null)
      rc=$?
      check "few threads ($n): exit 0" test "$rc" -eq 0
      check "few threads ($n): edited" grep -qF "'/opt/n$n:'" "$R/srv/a/toolbox/local/pathdef.m"
    done
  fi
else
  echo "skipped: the no-rights case needs root and setpriv" >&2
fi

# --- A read-only pathdef.m bind-mounted in place: fails cleanly, leaves nothing behind.
if [ "$(id -u)" = 0 ] && unshare -m true 2>/dev/null; then
  fresh robind
  err=$(cd "$WORK/cwd" && PATH="$I/bin:/usr/bin:/bin" timeout 20 unshare -m sh -c \
    'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" && exec "$2" -command ADD -path /opt/x' \
    sh "$P" "$VOREX" 2>&1 >/dev/null </dev/null)
  rc=$?
  check "read-only bind mount: exit 1" test "$rc" -eq 1
  check "read-only bind mount: no pathdef.new left" test ! -e "$I/toolbox/local/pathdef.new"
  check "read-only bind mount: reason" grep -q "^Failed: " <<<"$err"
  check "read-only bind mount: unchanged" same "$P" "$ORIG"
else
  echo "skipped: the bind-mount case needs root and a mount namespace" >&2
fi

# --- The backup cannot be a hard link: an ordinary user edits, in a folder her group may write,
# a pathdef.m that another user owns (the kernel's link protection refuses her the link). The
# backup is a copy, pathdef.m is replaced in one rename, and nothing is left behind.
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null && [ "$(cat /proc/sys/fs/protected_hardlinks 2>/dev/null)" = 1 ]; then
  fresh nolink
  chgrp -R nogroup "$I/toolbox/local"
  chmod 2775 "$I/toolbox/local"
  chown daemon "$P"
  chmod 644 "$P"
  mkdir -p "$WORK/cwd-nolink" && chmod 777 "$WORK/cwd-nolink"
  ino=$(stat -c %i "$P")
  err=$(cd "$WORK/cwd-nolink" && PATH="$I/bin:/usr/bin:/bin" timeout 20 setpriv --reuid=nobody --regid=nogroup     --clear-groups "$VOREX" -silent on -command ADD -path /opt/x 2>&1 >/dev/null </dev/null)
  rc=$?
  check "no hard link: exit 0" test "$rc" -eq 0
  check "no hard link: edited" same "$P" <(with_entry /opt/x)
  check "no hard link: backup is a copy of the old text" same "$I/toolbox/local/pathdef.bak" "$ORIG"
  check "no hard link: the backup is not the old file" test "$(stat -c %i "$I/toolbox/local/pathdef.bak")" != "$ino"
  check "no hard link: nothing left" test ! -e "$I/toolbox/local/pathdef.new"
  check "no hard link: octave" evaluates_with "$P" /opt/x
else
  echo "skipped: the link-protection case needs root, setpriv and fs.protected_hardlinks=1" >&2
fi

# --- A user who may only read root's installation holds a lock on its folder: a run as root
# (which has a lock of its own for such places) neither waits for it nor fails.
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null && command -v flock >/dev/null && [ -d /run ]; then
  fresh userlock
  setpriv --reuid=nobody --regid=nogroup --clear-groups flock -x "$I/toolbox/local" sleep 20 &
  holder=$!
  sleep 0.3
  start=$(date +%s)
  run -silent on -command ADD -path /opt/x
  took=$(( $(date +%s) - start ))
  kill "$holder" 2>/dev/null; wait "$holder" 2>/dev/null
  check "user's lock: exit 0" test "$rc" -eq 0
  check "user's lock: not waited for (${took} s)" test "$took" -le 5
  check "user's lock: edited" same "$P" <(with_entry /opt/x)
else
  echo "skipped: the user's-lock case needs root, setpriv, flock and /run" >&2
fi

# --- Standard output that cannot take the report: full, or closed by the caller. The files are
# edited as a normal run would; the lost report is said on stderr and the status is 1, not 0.
for how in full closed; do
  fresh "stdout-$how"
  cd "$WORK/cwd" || exit 1
  if [ "$how" = full ]; then
    err=$(PATH="$I/bin:/usr/bin:/bin" "$VOREX" -silent on -command ADD -path /opt/x 2>&1 >/dev/full </dev/null); rc=$?
  else
    err=$(PATH="$I/bin:/usr/bin:/bin" "$VOREX" -silent on -command ADD -path /opt/x 2>&1 >&- </dev/null); rc=$?
  fi
  cd "$WORK" || exit 1
  check "$how stdout: status 1" test "$rc" -eq 1
  check "$how stdout: said on stderr" grep -q "^Failed: write the report to standard output: " <<<"$err"
  check "$how stdout: edited all the same" same "$P" <(with_entry /opt/x)
  check "$how stdout: nothing else in the folder" test -z "$(ls "$I/toolbox/local" | grep -v -x -e pathdef.m -e pathdef.bak)"
done

# --- A close request (SIGHUP) that arrives while the program starts cancels the run or lets it
# finish; it never ends the process by the signal. It is sent the moment the program's own code
# catches it (before that the system is still loading the program, where nothing can be done),
# and after a delay of up to 19 ms for the later runs.
fresh early-signal
cd "$WORK/cwd" || exit 1
# catches_hup PID: the process runs vorex and has its SIGHUP handler (or is gone).
catches_hup() {
  local key value name='' caught=''
  while read -r key value; do
    case $key in Name:) name=$value ;; SigCgt:) caught=$value ;; esac
  done 2>/dev/null <"/proc/$1/status" || return 0
  [ "$name" = vorex ] && [ -n "$caught" ] && (((16#$caught) & 1))
}
by_signal=0
for i in $(seq 30); do
  PATH="$I/bin:/usr/bin:/bin" "$VOREX" -silent on -command ADD -path "/opt/s$i" >/dev/null 2>&1 </dev/null &
  pid=$!
  until catches_hup "$pid"; do :; done
  if [ $((i % 2)) = 0 ]; then sleep "$(printf '0.%03d' $((i % 20)))"; fi
  kill -HUP "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null; rc=$?
  [ "$rc" -ge 128 ] && by_signal=$((by_signal + 1))
done
cd "$WORK" || exit 1
check "early SIGHUP: never an end by the signal ($by_signal of 30)" test "$by_signal" -eq 0
check "early SIGHUP: pathdef.m whole" evaluates_with "$P" /toolbox/matlab/general

report hostile-e2e
