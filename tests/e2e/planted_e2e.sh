#!/usr/bin/env bash
# Root's run against what users plant where it edits, in small roots (chroot) whose /etc/passwd
# lists evil, alice and bob: a folder that an access list lets a user or a group change, paths of
# two users (or a user's Octave prefix) that reach one file, a FIFO or a folder at pathdef.m
# beside installations that are really root's, and a check run over all of it. Each case looks at
# the status, the report, the log and, byte for byte and inode for inode, every root file a user
# aimed the run at. First, needing no jail, a current folder whose name holds a line break.
#   planted_e2e.sh path/to/vorex
set -u
umask 022
HERE=$(cd "$(dirname "$0")" && pwd)
SAMPLE="$HERE/../../examples/sample-install"
ORIG="$SAMPLE/toolbox/local/pathdef.m"
export VOREX_PAUSE_PERCENT=0
source "$HERE/check.sh"
source "$HERE/program_root.sh"
source "$HERE/jail.sh"

not() { ! "$@"; }
reported() { grep -qxF "$1 $2" <<<"$out"; }                # reported WORD PATH: the report's line
logged() { grep -qF -- "$1" "$R/vorex.log" 2>/dev/null; }   # logged TEXT: somewhere in vorex.log
logged_line() { grep -qxF -- "$1" "$R/vorex.log" 2>/dev/null; }
word_of() { sed -n "s|^\(.*\) $1\$|\1|p" <<<"$out"; }
same_word() { local a; a=$(word_of "$1"); [ -n "$a" ] && [ "$a" = "$(word_of "$2")" ]; }
holds() { grep -qF -- "$2" "$R$1"; }                         # holds FILE TEXT
owner() { stat -c %u:%g "$R$1"; }
as_evil() { setpriv --reuid=1000 --regid=1000 --groups=1000,50,1100 "$@"; }

# installation ROOT: root's installation at ROOT in the jail, a copy of the sample's.
installation() {
  mkdir -p "$R$1/toolbox/local"
  cp "$ORIG" "$R$1/toolbox/local/pathdef.m"
}
# copy USER: the user's own pathdef.m in ~/Documents/MATLAB, the user's, mode 640.
copy() {
  local d="$R/home/$1/Documents/MATLAB" id=${jail_uid[$1]}
  mkdir -p "$d"
  cp "$ORIG" "$d/pathdef.m"
  chmod 640 "$d/pathdef.m"
  chown -R "$id:$id" "$R/home/$1/Documents"
}

# A line break reaches a relative directory through the current folder: refused, nothing touched.
line_break_cases() {
  local D="$WORK/a
b" relative before
  mkdir -p "$D/M/toolbox/local"
  cp "$ORIG" "$D/M/toolbox/local/pathdef.m"
  before=$(stat -c '%i %Y' "$D/M/toolbox/local/pathdef.m")
  for relative in "-matlabroot M -command ADD -path x" "-matlabroot M -command ADD -path /opt/x"; do
    # shellcheck disable=SC2086 # the words of the line
    err=$(cd "$D" && timeout 30 "$VOREX" -silent on -log on $relative 2>&1 >/dev/null </dev/null)
    rc=$?
    check "line break in the current folder ($relative): status 64 (was $rc)" test "$rc" -eq 64
    check "line break in the current folder ($relative): says so" grep -q "line break" <<<"$err"
  done
  check "line break in the current folder: pathdef.m untouched" cmp -s "$D/M/toolbox/local/pathdef.m" "$ORIG"
  check "line break in the current folder: same inode and time" \
    test "$(stat -c '%i %Y' "$D/M/toolbox/local/pathdef.m")" = "$before"
  check "line break in the current folder: nothing else made" \
    test "$(find "$D" -printf x | wc -c)" -eq 5
}

if ! jail_enter planted "$@"; then
  WORK=$(mktemp -d /tmp/vorex-planted-XXXXXX)
  trap 'rm -rf "$WORK"' EXIT
  VOREX=$(readlink -f "$1")
  line_break_cases
  report planted_e2e
  exit
fi
jail_setup planted "$1"
line_break_cases

# --- Access lists count as write bits: /opt/M/toolbox/local is root's 0755, but a list lets evil
# (or a group of evil's) change it as a group write bit would. What evil puts at pathdef.m there
# (a link to a file only root may read, a FIFO) is not taken; the file linked to is not touched.
# The same for a sticky folder that everyone may write, where pathdef.m is missing: evil may not
# touch root's entries there, but may make one of his own at a free name.
M=/opt/M/toolbox/local
mkdir "$WORK/acl-probe"
if command -v setfacl >/dev/null && setfacl -m u:1000:rwx "$WORK/acl-probe" 2>/dev/null; then
  lists=(u:1000:rwx g:1100:rwx)
else
  lists=()
  echo "skipped: the access-list cases need setfacl and a file system with access lists" >&2
fi
for how in "${lists[@]}" root:evil-2775 sticky-1777; do
  for plant in link fifo; do
    label=${how/u:1000/u:evil}
    case="${label/g:1100/g:crew} place, a $plant at pathdef.m"
    jail_root "acl-${how//:/-}-$plant" evil alice
    installation /opt/M
    installation /opt/real
    printf '%s\n' 'secret = 4711' ']' '%%% END ENTRIES %%%' > "$R/root/secret"
    chmod 600 "$R/root/secret"
    guard /root/secret
    if [ "$how" = root:evil-2775 ]; then
      chown 0:1000 "$R$M" && chmod 2775 "$R$M"
    elif [ "$how" = sticky-1777 ]; then
      chmod 1777 "$R$M" && rm "$R$M/pathdef.m"
    else
      setfacl -m "$how" "$R$M"
    fi
    if [ $plant = link ]; then
      check "$case: evil may plant it" as_evil ln -sfn /root/secret "$R$M/pathdef.m"
    else
      check "$case: evil may plant it" as_evil bash -c 'rm -f "$1" && mkfifo "$1"' - "$R$M/pathdef.m"
    fi
    jail_run -silent on -log on -matlabroot /opt/M -command ADD -path /opt/tb
    check "$case: status 2 (was $rc)" test "$rc" -eq 2
    check "$case: reported skipped" reported skipped "$M/pathdef.m"
    check "$case: the log says why" logged "Skipped: $M/pathdef.m: "
    check "$case: /root/secret untouched" intact /root/secret
    check "$case: nothing written beside it" nothing_beside /root/secret
    check "$case: nothing written in the place" nothing_beside "$M/pathdef.m"
    if [ $plant = link ]; then
      check "$case: still the link" test "$(readlink "$R$M/pathdef.m")" = /root/secret
      # Beside another installation that is really root's, the run succeeds by that one alone.
      jail_run -silent on -log on -matlabroot /opt/M -matlabroot /opt/real -command ADD -path /opt/tb
      check "$case, with /opt/real: status 0 (was $rc)" test "$rc" -eq 0
      check "$case, with /opt/real: skipped" reported skipped "$M/pathdef.m"
      check "$case, with /opt/real: /opt/real changed" reported changed /opt/real/toolbox/local/pathdef.m
      check "$case, with /opt/real: /root/secret untouched" intact /root/secret
    else
      check "$case: still the FIFO" test -p "$R$M/pathdef.m"
    fi
  done
done

# A mask without write takes the named user's write away: the place is root's own again, and its
# real pathdef.m is edited as any.
if [ ${#lists[@]} -gt 0 ]; then
  jail_root acl-mask evil
  installation /opt/M
  setfacl -m u:1000:rwx,m::rx "$R$M"
  check "masked list: evil may not plant" not as_evil ln -sfn /root/secret "$R$M/pathdef.m" 2>/dev/null
  jail_run -silent on -log on -matlabroot /opt/M -command ADD -path /opt/tb
  check "masked list: status 0 (was $rc)" test "$rc" -eq 0
  check "masked list: changed" reported changed "$M/pathdef.m"
  check "masked list: the entry in" holds "$M/pathdef.m" "'/opt/tb:'"
  check "masked list: not skipped" not logged "Skipped: "
  check "masked list: still root's" test "$(owner "$M/pathdef.m")" = 0:0
fi

# --- Paths of two users that reach one file: evil, before alice in /etc/passwd, links his copy
# (or his Documents) to alice's. Alice's copy is edited once, as alice, and evil's path is told
# the same outcome; nothing is written in evil's folder.
A=/home/alice/Documents/MATLAB/pathdef.m
E=/home/evil/Documents/MATLAB/pathdef.m
for link in copy Documents; do
  case="evil's $link a link to alice's"
  jail_root "one-file-$link" evil alice
  installation /opt/MATLAB/R2025a
  copy alice
  if [ $link = copy ]; then
    mkdir -p "$R/home/evil/Documents/MATLAB"
    ln -s "$A" "$R$E"
  else
    ln -s /home/alice/Documents "$R/home/evil/Documents"
  fi
  chown -hR 1000:1000 "$R/home/evil"
  for cmd in ADD REMOVE; do
    jail_run -silent on -log on -command $cmd -path /opt/tb
    check "$case, $cmd: status 0 (was $rc)" test "$rc" -eq 0
    check "$case, $cmd: alice's changed" reported changed "$A"
    check "$case, $cmd: evil's path told the same" same_word "$E" "$A"
    check "$case, $cmd: as alice" logged_line "As alice: $A"
    check "$case, $cmd: never as evil" not logged "As evil: "
    check "$case, $cmd: evil's path is alice's file" logged_line "Same file as $A: $E"
    check "$case, $cmd: still alice's, mode 640" test "$(stat -c '%u:%g %a' "$R$A")" = "1001:1001 640"
    check "$case, $cmd: backup alice's" test "$(owner "$(dirname "$A")/pathdef.bak")" = 1001:1001
    check "$case, $cmd: the installation changed" reported changed /opt/MATLAB/R2025a/toolbox/local/pathdef.m
  done
  check "$case: the entry once, and gone again" cmp -s "$R$A" "$ORIG"
  if [ $link = copy ]; then
    check "$case: evil's link kept" test "$(readlink "$R$E")" = "$A"
    check "$case: nothing in evil's folder" nothing_beside "$E"
  else
    check "$case: evil's link kept" test "$(readlink "$R/home/evil/Documents")" = /home/alice/Documents
  fi
done

# Two users link their copies to one file of root's: it is neither's, so both are skipped.
jail_root two-users-root-file evil alice bob
installation /opt/MATLAB/R2025a
printf '%s\n' 'conf = [' ']' '%%% END ENTRIES %%%' > "$R/etc/rootconf"
guard /etc/rootconf
for user in evil bob; do
  mkdir -p "$R/home/$user/Documents/MATLAB"
  ln -s /etc/rootconf "$R/home/$user/Documents/MATLAB/pathdef.m"
  chown -hR "${jail_uid[$user]}:${jail_uid[$user]}" "$R/home/$user/Documents"
done
jail_run -silent on -log on -command ADD -path /opt/tb
check "two users' links to a root file: status 0 (was $rc)" test "$rc" -eq 0
check "two users' links to a root file: untouched" intact /etc/rootconf
check "two users' links to a root file: nothing beside it" nothing_beside /etc/rootconf
for user in evil bob; do
  check "two users' links to a root file: $user's skipped" reported skipped "/home/$user/Documents/MATLAB/pathdef.m"
  check "two users' links to a root file: $user's, the log says why" \
    grep -qE "^Skipped: /home/$user/Documents/MATLAB/pathdef\.m: .+" "$R/vorex.log"
done
check "two users' links to a root file: the installation changed" \
  reported changed /opt/MATLAB/R2025a/toolbox/local/pathdef.m

# Octave: evil's prefix on root's PATH whose share is a link to /usr/share reaches the system's
# startup file, which is edited as root's, by its own path; evil's path is told the same.
jail_root octave-prefix evil
installation /opt/MATLAB/R2025a
S=/usr/share/octave/site/m/startup
mkdir -p "$R$S" "$R/home/evil/oct/bin"
printf '## site startup\n' > "$R$S/octaverc"
cp "$R$S/octaverc" "$WORK/octaverc-before"
printf '#!/bin/sh\nexit 0\n' > "$R/home/evil/oct/bin/octave-cli"
chmod 755 "$R/home/evil/oct/bin/octave-cli"
ln -s /usr/share "$R/home/evil/oct/share"
chown -hR 1000:1000 "$R/home/evil/oct"
jail_path=/home/evil/oct/bin:/usr/bin:/bin
EO=/home/evil/oct/share/octave/site/m/startup/octaverc
for cmd in ADD REMOVE; do
  jail_run -silent on -log on -octave on -command $cmd -path /opt/tb
  check "Octave prefix of evil's, $cmd: status 0 (was $rc)" test "$rc" -eq 0
  check "Octave prefix of evil's, $cmd: the system's changed" reported changed "$S/octaverc"
  check "Octave prefix of evil's, $cmd: evil's path told the same" same_word "$EO" "$S/octaverc"
  check "Octave prefix of evil's, $cmd: never as evil" not logged "As evil: "
  check "Octave prefix of evil's, $cmd: evil's path is the system's file" logged_line "Same file as $S/octaverc: $EO"
  check "Octave prefix of evil's, $cmd: still root's, mode 644" test "$(stat -c '%u:%g %a' "$R$S/octaverc")" = "0:0 644"
done
check "Octave prefix of evil's: the backup holds the block" test "$(tail -3 "$R$S/octaverc.bak")" = "## Begin vorex section, do not edit
addpath ('/opt/tb', '-end');
## End vorex section"
check "Octave prefix of evil's: as before after REMOVE" cmp -s "$R$S/octaverc" "$WORK/octaverc-before"

# A startup folder that everyone may write, sticky, without its octaverc: the run makes the file
# as root's; a link evil made at the free name first is not followed.
for plant in none link; do
  case="Octave's sticky startup folder, $plant at octaverc"
  jail_root "octave-sticky-$plant" evil
  installation /opt/MATLAB/R2025a
  mkdir -p "$R$S" "$R/usr/bin"
  chmod 1777 "$R$S"
  printf '#!/bin/sh\nexit 0\n' > "$R/usr/bin/octave-cli"
  chmod 755 "$R/usr/bin/octave-cli"
  printf 'secret = 4711\n' > "$R/root/secret"
  chmod 600 "$R/root/secret"
  guard /root/secret
  if [ $plant = link ]; then check "$case: evil may plant it" as_evil ln -s /root/secret "$R$S/octaverc"; fi
  jail_run -silent on -log on -octave on -command ADD -path /opt/tb
  check "$case: status 0 (was $rc)" test "$rc" -eq 0
  check "$case: the installation changed" reported changed /opt/MATLAB/R2025a/toolbox/local/pathdef.m
  check "$case: /root/secret untouched" intact /root/secret
  check "$case: nothing written beside it" nothing_beside /root/secret
  if [ $plant = link ]; then
    check "$case: skipped" reported skipped "$S/octaverc"
    check "$case: the log says why" logged "Skipped: $S/octaverc: "
    check "$case: still the link" test "$(readlink "$R$S/octaverc")" = /root/secret
  else
    check "$case: made" reported changed "$S/octaverc"
    check "$case: root's" test "$(stat -c %u:%g "$R$S/octaverc")" = 0:0
    check "$case: the block in it" holds "$S/octaverc" "addpath ('/opt/tb', '-end');"
  fi
done

# --- One file's fault stays with it: a FIFO, or a folder, that a member of staff put at pathdef.m
# in a root:staff 2775 toolbox/local is skipped, and the installation after it is edited. Root's
# own copy that cannot be edited fails the run, and still every installation after it is edited.
P=/usr/local/MATLAB/R2024a/toolbox/local
G=/usr/local/MATLAB/R2025a/toolbox/local
for plant in fifo folder; do
  case="a $plant in a staff place"
  jail_root "staff-$plant" evil
  installation /usr/local/MATLAB/R2024a
  installation /usr/local/MATLAB/R2025a
  chown 0:50 "$R$P" && chmod 2775 "$R$P"
  if [ $plant = fifo ]; then
    check "$case: evil may plant it" as_evil bash -c 'rm -f "$1" && mkfifo "$1"' - "$R$P/pathdef.m"
  else
    check "$case: evil may plant it" as_evil bash -c 'rm -f "$1" && mkdir "$1"' - "$R$P/pathdef.m"
  fi
  jail_run -silent on -log on -command ADD -path /opt/tb
  check "$case: status 0 (was $rc)" test "$rc" -eq 0
  check "$case: skipped" reported skipped "$P/pathdef.m"
  check "$case: the log says why" logged "Skipped: $P/pathdef.m: "
  check "$case: no failure" not logged "Failed: "
  check "$case: the next installation changed" reported changed "$G/pathdef.m"
  check "$case: nothing written beside it" nothing_beside "$P/pathdef.m"
  check "$case: still there" test "$([ $plant = fifo ] && echo -p || echo -d)" "$R$P/pathdef.m"
done
# In the last of those jails, beside the planted folder:
mkdir -p "$R/root/Documents/MATLAB"
for own in text fifo; do
  case="root's own copy ($own) that cannot be edited"
  rm -rf "$R/root/Documents/MATLAB/pathdef.m"
  installation /usr/local/MATLAB/R2025a
  if [ $own = text ]; then
    printf 'no list here\n' > "$R/root/Documents/MATLAB/pathdef.m"
    guard /root/Documents/MATLAB/pathdef.m
  else
    mkfifo "$R/root/Documents/MATLAB/pathdef.m"
  fi
  jail_run -silent on -log on -command ADD -path /opt/tb
  check "$case: status 1 (was $rc)" test "$rc" -eq 1
  check "$case: failed" reported failed /root/Documents/MATLAB/pathdef.m
  check "$case: the log says why" grep -qE "^Failed: [a-z ]+ /root/Documents/MATLAB/pathdef\.m: .+" "$R/vorex.log"
  check "$case: the planted folder still skipped" reported skipped "$P/pathdef.m"
  check "$case: the installation after it changed" reported changed "$G/pathdef.m"
  check "$case: nothing written beside it" nothing_beside /root/Documents/MATLAB/pathdef.m
  if [ $own = text ]; then check "$case: untouched" intact /root/Documents/MATLAB/pathdef.m; fi
done

# --- A check run over all of this creates nothing anywhere in the jail, /run included (where a
# run with rights keeps its private locks), and answers as the real run would.
jail_root check evil alice
mkdir -m 755 "$R/run"
installation /opt/MATLAB/R2025a
installation /usr/local/MATLAB/R2024a
chown 0:50 "$R$P" && chmod 2775 "$R$P" && rm "$R$P/pathdef.m" && mkfifo "$R$P/pathdef.m"
installation /opt/MATLAB/R2023b
printf '%s\n' 'secret = 4711' ']' '%%% END ENTRIES %%%' > "$R/root/secret"
chmod 600 "$R/root/secret"
guard /root/secret
ln -sfn /root/secret "$R/opt/MATLAB/R2023b/toolbox/local/pathdef.m"
if [ ${#lists[@]} -gt 0 ]; then
  setfacl -m u:1000:rwx "$R/opt/MATLAB/R2023b/toolbox/local"
else
  chown 0:1000 "$R/opt/MATLAB/R2023b/toolbox/local" && chmod 2775 "$R/opt/MATLAB/R2023b/toolbox/local"
fi
copy alice
mkdir -p "$R/home/evil/Documents/MATLAB"
ln -s "$A" "$R$E"
mkdir -p "$R$S" "$R/home/evil/oct/bin"
printf '#!/bin/sh\nexit 0\n' > "$R/home/evil/oct/bin/octave-cli"
chmod 755 "$R/home/evil/oct/bin/octave-cli"
ln -s /usr/share "$R/home/evil/oct/share"
chown -hR 1000:1000 "$R/home/evil"
jail_path=/home/evil/oct/bin:/usr/bin:/bin
listing() { (cd "$R" && find . -printf '%p %y %i %s %m %u %T@\n' | sort); }
listing > "$WORK/check-before"
jail_run -check on -octave on -command ADD -path /opt/tb
check "check: status 4 (was $rc)" test "$rc" -eq 4
check "check: nothing made, changed or removed in the jail" cmp -s <(listing) "$WORK/check-before"
check "check: no private lock folder" absent "$R/run/vorex"
check "check: the missing Octave file not made" absent "$R$S/octaverc"
would=$(grep '^would change ' <<<"$out" | sort)
check "check: the real installation would change" reported "would change" /opt/MATLAB/R2025a/toolbox/local/pathdef.m
check "check: alice's would change" reported "would change" "$A"
check "check: evil's path told the same" same_word "$E" "$A"
check "check: the Octave file would be made" reported "would change" "$S/octaverc"
check "check: the FIFO skipped" reported skipped "$P/pathdef.m"
check "check: the link in the access-listed place skipped" reported skipped /opt/MATLAB/R2023b/toolbox/local/pathdef.m
jail_run -silent on -octave on -command ADD -path /opt/tb
check "check, then the run: status 0 (was $rc)" test "$rc" -eq 0
check "check, then the run: changed what the check said would change" \
  test "$(grep '^changed ' <<<"$out" | sed 's/^changed /would change /' | sort)" = "$would"
check "check, then the run: /root/secret untouched" intact /root/secret
check "check, then the run: the Octave file made root's, mode 644" \
  test "$(stat -c '%u:%g %a' "$R$S/octaverc" 2>&1)" = "0:0 644"

# What the run cannot write, the check fails as the run does: it does not say it would change it.
L=/opt/MATLAB/R2025a/toolbox/local
rm -f "$R$L/pathdef.bak"
guard "$L/pathdef.m"
unwritable() {  # unwritable CASE: the check and then the run, for a directory the file lacks
  jail_run -check on -matlabroot /opt/MATLAB/R2025a -command ADD -path /opt/other
  check "$1, check: status 1 (was $rc)" test "$rc" -eq 1
  check "$1, check: failed" reported failed "$L/pathdef.m"
  check "$1, check: the reason" grep -q "^Failed: " <<<"$err"
  jail_run -silent on -matlabroot /opt/MATLAB/R2025a -command ADD -path /opt/other
  check "$1, the run: status 1 (was $rc)" test "$rc" -eq 1
  check "$1, the run: pathdef.m untouched" intact "$L/pathdef.m"
}
for target in "$L" "$L/pathdef.m"; do
  what=$([ "$target" = "$L" ] && echo "read-only folder" || echo "read-only pathdef.m")
  if mount --bind "$R$target" "$R$target" && mount -o remount,bind,ro "$R$target"; then
    unwritable "$what (bind mount)"
    umount "$R$target"
  else
    echo "skipped: $what: no read-only bind mount here" >&2
  fi
  if chattr +i "$R$target" 2>/dev/null; then
    unwritable "$what (immutable)"
    chattr -i "$R$target"
  else
    echo "skipped: $what: chattr +i does not work on the work folder's file system" >&2
  fi
  rm -f "$R$L/pathdef.bak"
done
jail_userspec=1000:1000
unwritable "evil's run, without rights"
jail_userspec=

report planted_e2e
