#!/usr/bin/env bash
# The built POSIX program run by root against what an ordinary user can plant: links, FIFOs and a
# hard link where the drive walk looks, a link into root's files from a folder that a group may
# write, launchers in the user's folders and on a relative PATH entry, names swapped while the
# program runs, and a vorex.log in a folder everyone may write. Whatever is planted, the run must
# not change a file the user could not change, must leave nothing in root's folders, and must
# still edit the installation that is really root's. The user's own file is edited as the user.
# Each case runs in a small root of its own (chroot) that lists root, the user evil (1000) and
# the group staff (50); the whole script runs in a private mount namespace, on a tmpfs.
#   authority_e2e.sh path/to/vorex path/to/exchange_tool
set -u
umask 022
HERE=$(cd "$(dirname "$0")" && pwd)
SAMPLE="$HERE/../../examples/sample-install"
ORIG="$SAMPLE/toolbox/local/pathdef.m"
export VOREX_PAUSE_PERCENT=0

source "$HERE/check.sh"
source "$HERE/program_root.sh"
source "$HERE/jail.sh"
jail_enter authority "$@" || exit 0
jail_setup authority "$1"
loops=()
stop_loops() {
  local pid
  for pid in "${loops[@]}"; do kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  loops=()
}
jail_before_cleanup() { stop_loops; }
install -m 755 "$2" "$WORK/exchange_tool"
EXCHANGE="$WORK/exchange_tool"
REAL=/opt/real/toolbox/local/pathdef.m

not() { ! "$@"; }

# new_jail NAME: a fresh root at $WORK/NAME, set as R, with the program, root, evil and staff,
# evil's home (the user's to fill), and the real installation /opt/real, root's, which the walk
# and its launcher both find. Forgets the files guarded for the last case.
new_jail() {
  jail_root "$1" evil
  mkdir -p "$R/srv" "$R/opt/real"
  cp -r "$SAMPLE/bin" "$SAMPLE/toolbox" "$R/opt/real/"
  chown -R 0:0 "$R/opt/real"
  chmod -R u+rwX,go+rX,go-w "$R/opt/real"
}

evil_owns() {  # evil_owns PATH...: hands each PATH under the user's home, links themselves, to evil
  chown -hR 1000:1000 "$@"
}

# root_run CASE ADD|REMOVE [SKIPPED...]: one run of the command for /opt/tb with the log, then what
# every case must show: status 0, the guarded files as they were and nothing written beside them,
# each SKIPPED path logged as skipped (or reported unchanged: read with the user's rights, it
# needed no change; or found to be the real installation's file, which is edited once, as that
# installation), and the real installation edited.
root_run() {
  local case=$1 cmd=$2 f
  shift 2
  jail_run -silent on -command "$cmd" -path /opt/tb -log on
  check "$case, $cmd: exit 0 (was $rc)" test "$rc" -eq 0
  for f in "${guarded[@]}"; do
    check "$case, $cmd: $f unchanged" intact "$f"
    check "$case, $cmd: nothing written beside $f" nothing_beside "$f"
  done
  # Skipped, or (when the user's rights could read it and nothing was to change) left alone, or
  # the real installation's own file.
  for f; do
    check "$case, $cmd: $f skipped, left alone or the installation's" \
      bash -c 'grep -qF "Skipped: $1: " "$2" || grep -qxF "unchanged $1" "$2" ||
               grep -qxF "Same file as $3: $1" "$2"' - "$f" "$R/vorex.log" "$REAL"
  done
  if [ "$cmd" = ADD ]; then
    check "$case, ADD: the real installation edited" grep -qF "'/opt/tb:'" "$R$REAL"
  else
    check "$case, REMOVE: the real installation edited" not grep -qF "'/opt/tb:'" "$R$REAL"
  fi
}

# --- Links the user planted where the walk looks: the link is the user's, so is the edit, and
# the user may change none of these targets.
new_jail link-secret
printf 'token = 4711\n];\n' > "$R/root/secret"
chmod 600 "$R/root/secret"
mkdir -p "$R/home/evil/x/local"
ln -s /root/secret "$R/home/evil/x/local/pathdef.m"
evil_owns "$R/home/evil/x"
guard /root/secret
for cmd in ADD REMOVE; do root_run "link to root's secret" $cmd /home/evil/x/local/pathdef.m; done

new_jail link-conf
printf '%s\n' 'conf = [' ']' '%%% END ENTRIES %%%' > "$R/etc/rootconf"
mkdir -p "$R/home/evil/x/local"
ln -s /etc/rootconf "$R/home/evil/x/local/pathdef.m"
evil_owns "$R/home/evil/x"
guard /etc/rootconf
for cmd in ADD REMOVE; do root_run "link to a readable root file" $cmd /home/evil/x/local/pathdef.m; done

# A link to the real installation: that file is edited once, through its own place only.
new_jail link-real
mkdir -p "$R/home/evil/x/local"
ln -s "$REAL" "$R/home/evil/x/local/pathdef.m"
evil_owns "$R/home/evil/x"
for cmd in ADD REMOVE; do
  root_run "link to the real installation" $cmd /home/evil/x/local/pathdef.m
  check "link to the real installation, $cmd: the entry there once, then not" \
    test "$(grep -cF "'/opt/tb:'" "$R$REAL")" -eq "$([ $cmd = ADD ] && echo 1 || echo 0)"
  check "link to the real installation, $cmd: no pathdef.new left" absent "$R/opt/real/toolbox/local/pathdef.new"
  check "link to the real installation, $cmd: still root's" test "$(stat -c %u "$R$REAL")" = 0
done

# A LOCAL folder that is a link into root's files: never searched.
new_jail local-link
mkdir -p "$R/srv/secret" "$R/home/evil/y"
cp "$ORIG" "$R/srv/secret/pathdef.m"
ln -s /srv/secret "$R/home/evil/y/local"
evil_owns "$R/home/evil/y"
guard /srv/secret/pathdef.m
for cmd in ADD REMOVE; do
  root_run "local folder a link" $cmd
  check "local folder a link, $cmd: not found" not grep -qF "File: /home/evil/y/local/pathdef.m" "$R/vorex.log"
done

# A hard link root made (as on a machine where users may link to files they do not own): the
# user's folder may change as the user sees fit, root's file by its own name may not.
new_jail hard-link
printf '%s\n' 'hard = [' ']' > "$R/etc/hardconf"
mkdir -p "$R/home/evil/z/local"
evil_owns "$R/home/evil/z"
ln "$R/etc/hardconf" "$R/home/evil/z/local/pathdef.m"
guard /etc/hardconf
evils_or_root_file() {  # evils_or_root_file NAME: NAME in evil's folder is missing, evil's, or /etc/hardconf
  local f="$R/home/evil/z/local/$1"
  absent "$f" || [ "$(stat -c %u "$f")" = 1000 ] || [ "$(stat -c %i "$f")" = "$(stat -c %i "$R/etc/hardconf")" ]
}
for cmd in ADD REMOVE; do
  root_run "hard link" $cmd
  for name in pathdef.m pathdef.bak pathdef.new; do
    check "hard link, $cmd: $name in the user's folder is the user's" evils_or_root_file $name
  done
done

# FIFOs under the name: skipped without waiting, the rest still done.
new_jail fifos
decoys=()
for d in a b c d e f g h; do
  mkdir -p "$R/home/evil/$d/local"
  mkfifo "$R/home/evil/$d/local/pathdef.m"
  evil_owns "$R/home/evil/$d"
  decoys+=("/home/evil/$d/local/pathdef.m")
done
for cmd in ADD REMOVE; do root_run "fifo decoys" $cmd "${decoys[@]}"; done
check "fifo decoys: still FIFOs" test -p "$R/home/evil/h/local/pathdef.m"

# --- The user's own installation: edited, and both files stay the user's.
new_jail own
mkdir -p "$R/home/evil/u/local"
cp "$ORIG" "$R/home/evil/u/local/pathdef.m"
chmod 644 "$R/home/evil/u/local/pathdef.m"
evil_owns "$R/home/evil/u"
U=/home/evil/u/local
for cmd in ADD REMOVE; do
  root_run "the user's own file" $cmd
  check "the user's own file, $cmd: edited as evil" grep -qxF "As evil: $U/pathdef.m" "$R/vorex.log"
  check "the user's own file, $cmd: pathdef.m still evil's" test "$(stat -c %u "$R$U/pathdef.m")" = 1000
  check "the user's own file, $cmd: pathdef.bak evil's" test "$(stat -c %u "$R$U/pathdef.bak" 2>&1)" = 1000
  check "the user's own file, $cmd: no pathdef.new left" absent "$R$U/pathdef.new"
done
check "the user's own file: entry added, then removed" cmp -s "$R$U/pathdef.m" "$ORIG"

# --- A folder on the way that a group may write (/usr/local as root:staff 2775): root's
# installation there is still edited by root, but a link at pathdef.m is not followed.
new_jail group-writable
mkdir -p "$R/usr/local"
chown 0:50 "$R/usr/local"
chmod 2775 "$R/usr/local"
M=/usr/local/MATLAB/R2024a/toolbox/local
mkdir -p "$R$M"
cp "$ORIG" "$R$M/pathdef.m"
jail_path=/opt/real/bin:/usr/bin:/bin
for cmd in ADD REMOVE; do
  root_run "group-writable /usr/local" $cmd
  check "group-writable /usr/local, $cmd: root's installation edited" \
    test "$(grep -cF "'/opt/tb:'" "$R$M/pathdef.m")" -eq "$([ $cmd = ADD ] && echo 1 || echo 0)"
  check "group-writable /usr/local, $cmd: still root's" test "$(stat -c %u "$R$M/pathdef.m")" = 0
done
printf '%s\n' 'conf2 = [' ']' > "$R/etc/rootconf2"
rm "$R$M/pathdef.m"
ln -s /etc/rootconf2 "$R$M/pathdef.m"
guard /etc/rootconf2
for cmd in ADD REMOVE; do
  root_run "group-writable /usr/local, pathdef.m a link" $cmd "$M/pathdef.m"
  check "group-writable /usr/local, pathdef.m a link, $cmd: still the link" \
    test "$(readlink "$R$M/pathdef.m")" = /etc/rootconf2
done

# --- Launchers in the user's folders: the installation one gives is the user's to edit.
planted_launcher() {  # planted_launcher BINDIR ROOT: BINDIR/matlab leads to ROOT, whose pathdef.m leads to /etc/rootconf3
  mkdir -p "$R$1" "$R$2/bin" "$R$2/toolbox/local"
  cp "$SAMPLE/bin/matlab" "$R$2/bin/matlab"
  chmod 755 "$R$2/bin/matlab"
  ln -s "$2/bin/matlab" "$R$1/matlab"
  ln -s /etc/rootconf3 "$R$2/toolbox/local/pathdef.m"
  evil_owns "$R$1" "$R$2"
}
new_jail launcher
printf '%s\n' 'conf3 = [' ']' > "$R/etc/rootconf3"
planted_launcher /home/evil/bin /home/evil/fake
guard /etc/rootconf3
jail_path=/home/evil/bin:/opt/real/bin
for cmd in ADD REMOVE; do root_run "launcher in the user's folder" $cmd /home/evil/fake/toolbox/local/pathdef.m; done
# With only that launcher, every file found is skipped: nothing this run could edit was found.
jail_path=/home/evil/bin
jail_run -silent on -command ADD -path /opt/tb -log on
check "only a launcher in the user's folder: exit 2 (was $rc)" test "$rc" -eq 2
check "only a launcher in the user's folder: /etc/rootconf3 unchanged" intact /etc/rootconf3
check "only a launcher in the user's folder: skipped" \
  grep -qF "Skipped: /home/evil/fake/toolbox/local/pathdef.m: " "$R/vorex.log"

new_jail relative-launcher
printf '%s\n' 'conf3 = [' ']' > "$R/etc/rootconf3"
planted_launcher /home/evil/bin2 /home/evil/fake2
guard /etc/rootconf3
jail_path=home/evil/bin2:/opt/real/bin
for cmd in ADD REMOVE; do
  root_run "launcher on a relative PATH entry" $cmd
  check "launcher on a relative PATH entry, $cmd: not used" not grep -q "/home/evil/fake2" "$R/vorex.log"
done

# --- The log in a folder everyone may write: run outside a jail, whose cwd would be root's "/",
# on a copy of the sample installation found through its launcher.
I="$WORK/host-install"
cp -r "$SAMPLE" "$I"
printf 'root text\n' > "$WORK/target.txt"
cp "$WORK/target.txt" "$WORK/target.kept"
host_run() {  # host_run DIR: root's run with the log in DIR; sets rc and err
  err=$(cd "$1" && PATH="$I/bin:/usr/bin:/bin" timeout 30 "$VOREX" -silent on -command ADD -path /opt/tb -log on \
    2>&1 >/dev/null </dev/null)
  rc=$?
}
for mode in 1777 0777; do
  ww="$WORK/ww-$mode"
  mkdir -m "$mode" "$ww" "$ww/link" "$ww/other" "$ww/none"
  ln "$WORK/target.txt" "$ww/link/vorex.log"
  host_run "$ww/link"
  check "log a hard link ($mode): exit 0 (was $rc)" test "$rc" -eq 0
  check "log a hard link ($mode): target untouched" cmp -s "$WORK/target.txt" "$WORK/target.kept"
  check "log a hard link ($mode): said on stderr" grep -q "vorex\.log" <<<"$err"
  check "log a hard link ($mode): installation edited" grep -qF "'/opt/tb:'" "$I/toolbox/local/pathdef.m"

  printf 'evil text\n' > "$ww/other/vorex.log"
  chown 1000:1000 "$ww/other/vorex.log"
  host_run "$ww/other"
  check "log another user's ($mode): exit 0 (was $rc)" test "$rc" -eq 0
  check "log another user's ($mode): untouched" test "$(cat "$ww/other/vorex.log")" = "evil text"
  check "log another user's ($mode): said on stderr" grep -q "vorex\.log" <<<"$err"

  host_run "$ww/none"
  check "new log ($mode): exit 0 (was $rc)" test "$rc" -eq 0
  check "new log ($mode): mode 600" test "$(stat -c %a "$ww/none/vorex.log" 2>&1)" = 600
  check "new log ($mode): written" grep -q "^Registry: " "$ww/none/vorex.log"
done

# --- Names swapped while root runs over and over: evil exchanges a real folder with a link to
# root's folder, and a real pathdef.m with a link to root's file. Whatever name the program meets
# at whatever moment, root's file stays as it was.
new_jail race
L=/srv/inst/toolbox/lcl
mkdir -p "$R$L" "$R/home/evil/r/local" "$R/home/evil/r2/local"
cp "$ORIG" "$R$L/pathdef.m"
awk '/^%%% END ENTRIES %%%/ { print "system('"'"'touch /tmp/pwned'"'"');" } { print }' "$ORIG" \
  > "$R/home/evil/r/local/pathdef.m"
ln -s "$L" "$R/home/evil/r/swap"
cp "$ORIG" "$R/home/evil/r2/local/pathdef.m"
ln -s "$L/pathdef.m" "$R/home/evil/r2/local/pathdef.lnk"
evil_owns "$R/home/evil/r" "$R/home/evil/r2"
guard "$L/pathdef.m"
setpriv --reuid=1000 --regid=1000 --clear-groups "$EXCHANGE" "$R/home/evil/r/local" "$R/home/evil/r/swap" 60000 &
loops+=($!)
setpriv --reuid=1000 --regid=1000 --clear-groups "$EXCHANGE" "$R/home/evil/r2/local/pathdef.m" \
  "$R/home/evil/r2/local/pathdef.lnk" 60000 &
loops+=($!)
start=$SECONDS
runs=0
for i in $(seq 1 300); do
  [ $((SECONDS - start)) -lt 45 ] || break
  jail_run -silent on -command ADD -path "/opt/tb$i"
  runs=$i
done
stop_loops
check "race ($runs runs): root's file unchanged" intact "$L/pathdef.m"
check "race ($runs runs): nothing written beside it" nothing_beside "$L/pathdef.m"
check "race ($runs runs): at least 50 runs" test "$runs" -ge 50

report authority_e2e
