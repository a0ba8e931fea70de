#!/usr/bin/env bash
# The users' own copies of pathdef.m in their startup folders (Documents/MATLAB), beside an
# installation in /usr/local/MATLAB, in a small root (chroot) with two users of its own. Root's
# run edits all three, each copy as its user (owner, mode and a backup kept); a user's run edits
# that user's copy first and then fails on the installation it may not write, leaving the other
# user's copy alone. GNU Octave evaluates every file written.
#   user_copies_e2e.sh path/to/vorex
set -u
umask 022
HERE=$(cd "$(dirname "$0")" && pwd)
SAMPLE="$HERE/../../examples/sample-install"
ORIG="$SAMPLE/toolbox/local/pathdef.m"
EVAL="$HERE/../support/octave_eval.sh"
export VOREX_PAUSE_PERCENT=0
source "$HERE/check.sh"
source "$HERE/program_root.sh"

if [ "$(id -u)" != 0 ] || ! command -v chroot >/dev/null; then
  echo "skipped: the users' copies cases need root and chroot" >&2
  exit 0
fi
WORK=$(mktemp -d /tmp/vorex-copies-XXXXXX)
chmod 755 "$WORK"
trap 'rm -rf "$WORK"' EXIT
R=$WORK/root
program_root "$1" "$R"
mkdir -p "$R/etc"
printf 'root:x:0:0:root:/root:/bin/sh\nann:x:1001:1001::/home/ann:/bin/sh\nbob:x:1002:1002::/home/bob:/bin/sh\n' > "$R/etc/passwd"
printf 'root:x:0:\nann:x:1001:\nbob:x:1002:\n' > "$R/etc/group"
INSTALL=/usr/local/MATLAB/R2024a/toolbox/local/pathdef.m
mkdir -p "$R$(dirname "$INSTALL")"
cp "$ORIG" "$R$INSTALL"
for u in ann bob; do
  mkdir -p "$R/home/$u/Documents/MATLAB"
  cp "$ORIG" "$R/home/$u/Documents/MATLAB/pathdef.m"
done
chown -R 1001:1001 "$R/home/ann"
chown -R 1002:1002 "$R/home/bob"
chmod 700 "$R/home/ann"
chmod 640 "$R/home/ann/Documents/MATLAB/pathdef.m"
ANN=/home/ann/Documents/MATLAB/pathdef.m
BOB=/home/bob/Documents/MATLAB/pathdef.m

holds() { grep -qF "'$2:'" "$R$1"; }
evaluates() {  # Octave reads the file as one row holding the directory once
  [ -x "$(command -v octave-cli)" ] || return 0
  local path
  path=$(bash "$EVAL" "$R$1")
  [ -n "$path" ] && [ "$(grep -o -F -- "$2:" <<<"$path" | wc -l)" = 1 ]
}

# Root: every user's copy and the installation (with the dialog drawn on stderr, which shows
# the count).
out=$(cd "$R" && chroot "$R" /vorex -log on -command ADD -path /opt/tb 2>&1 </dev/null); rc=$?
check "root: status 0" test "$rc" -eq 0
for f in "$INSTALL" "$ANN" "$BOB"; do
  check "root: $f edited" holds "$f" /opt/tb
  check "root: $f evaluates" evaluates "$f" /opt/tb
  check "root: $f backup" cmp -s "$R$(dirname "$f")/pathdef.bak" "$ORIG"
done
check "root: ann's copy still ann's, mode 640" test "$(stat -c '%u %a' "$R$ANN")" = "1001 640"
check "root: bob's copy still bob's, mode 644" test "$(stat -c '%u %a' "$R$BOB")" = "1002 644"
check "root: ann's backup ann's" test "$(stat -c '%u' "$R/home/ann/Documents/MATLAB/pathdef.bak")" = 1001
check "root: each copy logged" test "$(grep -c '^User: ' "$R/vorex.log")" = 2
check "root: as its owner" grep -qxF "As ann: $ANN" "$R/vorex.log"
check "root: count" grep -qF "MATLAB Path Update Complete (3 paths modified)." <<<"$out"
check "root: installation before the other users' copies" \
  test "$(grep '^Modify: ' "$R/vorex.log" | head -1)" = "Modify: $INSTALL for /opt/tb"

# A user: her own copy first, then the installation fails for lack of rights; bob's untouched.
cp "$R$BOB" "$WORK/bob-before"
out=$(cd "$R" && chroot --userspec=1001:1001 "$R" /vorex -silent on -command ADD -path /opt/mine 2>&1 </dev/null); rc=$?
check "ann: status 1" test "$rc" -eq 1
check "ann: her copy edited" holds "$ANN" /opt/mine
check "ann: her copy evaluates" evaluates "$ANN" /opt/mine
check "ann: installation unchanged" bash -c "! grep -qF \"'/opt/mine:'\" '$R$INSTALL'"
check "ann: the reason" grep -qF "Failed: create /usr/local/MATLAB/R2024a/toolbox/local/pathdef.new: Permission denied" <<<"$out"
check "ann: bob's copy untouched" cmp -s "$R$BOB" "$WORK/bob-before"

# No installation at all, only a user's copy: edited, and that is a success.
rm -rf "$R/usr/local/MATLAB"
out=$(cd "$R" && chroot --userspec=1002:1002 "$R" /vorex -silent on -command ADD -path /opt/only 2>&1 </dev/null); rc=$?
check "copy alone: status 0" test "$rc" -eq 0
check "copy alone: edited" holds "$BOB" /opt/only

report user_copies_e2e
