#!/usr/bin/env bash
# -octave on with the real GNU Octave: a prefix made for the test, whose bin/octave-cli runs the
# real one, is found through PATH; ADD puts the directory on Octave's path through the site
# startup file's block, REMOVE takes it off again and leaves the file byte for byte as before.
# The machine's own site folders are hidden under an empty tmpfs in a private mount namespace, so
# its /etc/octaverc is never touched.
#   octave_e2e.sh path/to/vorex
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
SAMPLE="$HERE/../../examples/sample-install"
export VOREX_PAUSE_PERCENT=0
if [ "$(id -u)" != 0 ] || ! command -v unshare >/dev/null || ! command -v octave-cli >/dev/null; then
  echo "skipped: the Octave cases need root, unshare and octave-cli" >&2
  exit 0
fi
if [ -z "${VOREX_OCTAVE_NAMESPACE-}" ]; then
  if ! unshare -m true 2>/dev/null; then
    echo "skipped: the Octave cases need a mount namespace" >&2
    exit 0
  fi
  before=$(cat /etc/octaverc 2>/dev/null | md5sum)
  VOREX_OCTAVE_NAMESPACE=1 unshare -m --propagation private bash "$0" "$@"
  rc=$?
  if [ "$(cat /etc/octaverc 2>/dev/null | md5sum)" != "$before" ]; then
    echo "FAIL: the machine's /etc/octaverc changed"
    exit 1
  fi
  exit $rc
fi
source "$HERE/check.sh"
VOREX=$(readlink -f "$1")
REAL_OCTAVE=$(command -v octave-cli)
for d in /usr/share/octave/site/m/startup /usr/local/share/octave/site/m/startup /opt/homebrew/share/octave/site/m/startup; do
  [ -d "$d" ] && mount -t tmpfs vorex-hidden "$d"
done
WORK=$(mktemp -d /tmp/vorex-octave-e2e-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
P=$WORK/prefix
S=$P/share/octave/site/m/startup
mkdir -p "$P/bin" "$S" "$WORK/tb"
printf '#!/bin/sh\nexec %s "$@"\n' "$REAL_OCTAVE" > "$P/bin/octave-cli"
chmod 755 "$P/bin/octave-cli"
if [ -f /etc/octaverc ]; then cp /etc/octaverc "$S/octaverc"; else printf '## site startup\n' > "$S/octaverc"; fi
cp "$S/octaverc" "$WORK/before"
cp -a "$SAMPLE" "$WORK/matlab"
run() { PATH="$P/bin:/usr/bin:/bin" "$VOREX" -silent on -matlabroot "$WORK/matlab" "$@" 2>"$WORK/err"; }
octave_path() { OCTAVE_SITE_INITFILE="$S/octaverc" "$P/bin/octave-cli" --no-window-system --eval 'disp(path())' 2>&1; }

out=$(run -command ADD -path "$WORK/tb"); rc=$?
check "without the option: status 0" test "$rc" -eq 0
check "without the option: the Octave file untouched" cmp -s "$S/octaverc" "$WORK/before"
check "without the option: not reported" bash -c "! grep -q octaverc <<<'$out'"

out=$(run -octave on -command ADD -path "$WORK/tb"); rc=$?
check "ADD: status 0" test "$rc" -eq 0
check "ADD: reported" grep -qxF "changed $S/octaverc" <<<"$out"
check "ADD: MATLAB unchanged (listed already)" grep -qxF "unchanged $WORK/matlab/toolbox/local/pathdef.m" <<<"$out"
check "ADD: the block at the end" test "$(tail -3 "$S/octaverc")" = "## Begin vorex section, do not edit
addpath ('$WORK/tb', '-end');
## End vorex section"
check "ADD: every line before it kept" cmp -s <(head -n "$(wc -l < "$WORK/before")" "$S/octaverc") "$WORK/before"
check "ADD: backup" cmp -s "$S/octaverc.bak" "$WORK/before"
check "ADD: on Octave's path" grep -qF "$WORK/tb" <<<"$(octave_path)"

cp "$S/octaverc" "$WORK/added"
out=$(PATH="$P/bin:/usr/bin:/bin" "$VOREX" -check on -octave on -matlabroot "$WORK/matlab" -command REMOVE -path "$WORK/tb" 2>/dev/null); rc=$?
check "check: status 4" test "$rc" -eq 4
check "check: would change" grep -qxF "would change $S/octaverc" <<<"$out"
check "check: nothing written" cmp -s "$S/octaverc" "$WORK/added"

out=$(run -octave on -command REMOVE -path "$WORK/tb"); rc=$?
check "REMOVE: status 0" test "$rc" -eq 0
check "REMOVE: byte for byte as before the ADD" cmp -s "$S/octaverc" "$WORK/before"
check "REMOVE: off Octave's path" bash -c "! grep -qF '$WORK/tb' <<<\"\$1\"" - "$(octave_path)"

report octave_e2e
