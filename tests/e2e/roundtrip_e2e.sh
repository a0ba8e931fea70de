#!/usr/bin/env bash
# REMOVE takes back exactly what ADD wrote: for directories whose names play with the entry's
# quotes, separators, comments, trim characters and encoding, an ADD and then a REMOVE through the
# built POSIX program give back pathdef.m and, with -octave on, Octave's site startup file byte for
# byte. Names that would break the file are refused before anything is touched.
# As root the run moves into a private mount namespace in which the machine's own site startup
# folders are hidden, so that -octave on edits only a prefix made for the test; elsewhere only
# pathdef.m is taken round.
#   roundtrip_e2e.sh path/to/vorex
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
SITE_DIRS="/usr/share/octave/site/m/startup /usr/local/share/octave/site/m/startup /opt/homebrew/share/octave/site/m/startup"
if [ -z "${VOREX_ROUNDTRIP_NAMESPACE-}" ] && [ "$(id -u)" = 0 ] && unshare -m true 2>/dev/null; then
  before=$(cat /etc/octaverc 2>/dev/null | md5sum)
  VOREX_ROUNDTRIP_NAMESPACE=1 unshare -m --propagation private bash "$0" "$@"
  rc=$?
  if [ "$(cat /etc/octaverc 2>/dev/null | md5sum)" != "$before" ]; then
    echo "FAIL: the machine's /etc/octaverc changed"
    exit 1
  fi
  exit $rc
fi
VOREX=$(readlink -f "$1")
SAMPLE="$HERE/../../examples/sample-install"
EVAL="$HERE/../support/octave_eval.sh"
WORK=$(mktemp -d /tmp/vorex-roundtrip-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
export VOREX_PAUSE_PERCENT=0
export LC_ALL=C
source "$HERE/check.sh"

OCTAVE_ON=()
if [ -n "${VOREX_ROUNDTRIP_NAMESPACE-}" ]; then
  for d in $SITE_DIRS; do [ -d "$d" ] && mount -t tmpfs vorex-hidden "$d"; done
  OCTAVE_ON=(-octave on)
else
  echo "skipped: the octaverc round trips need root and a mount namespace" >&2
fi
REAL_OCTAVE=$(command -v octave-cli || true)

# Octave's prefix: found through its bin/octave-cli on PATH (the real one where installed).
OP=$WORK/octave
S=$OP/share/octave/site/m/startup
mkdir -p "$OP/bin" "$S" "$WORK/cwd"
if [ -n "$REAL_OCTAVE" ]; then
  printf '#!/bin/sh\nexec %s "$@"\n' "$REAL_OCTAVE" > "$OP/bin/octave-cli"
else
  printf '#!/bin/sh\nexit 0\n' > "$OP/bin/octave-cli"
fi
chmod 755 "$OP/bin/octave-cli"
ORC_TEXT='## site startup
## Begin savepath auto-created section, do not edit
addpath ('"'/usr/share/x'"', '"'-begin'"');
## End savepath auto-created section
'

fresh() {  # fresh NAME: a new copy of the sample installation and of the site startup file
  I="$WORK/$1"
  rm -rf "$I"
  cp -a "$SAMPLE" "$I"
  P="$I/toolbox/local/pathdef.m"
  rm -f "$S"/octaverc*
  printf '%s' "$ORC_TEXT" > "$S/octaverc"
}

run() {  # run ARGS...: sets rc and out (the report)
  out=$(cd "$WORK/cwd" && PATH="$OP/bin:/usr/bin:/bin" "$VOREX" -silent on -matlabroot "$I" "${OCTAVE_ON[@]}" "$@" \
    2>"$WORK/err" </dev/null)
  rc=$?
}

quoted() { local q="'"; printf '%s' "${1//$q/$q$q}"; }
entry() { printf "\t'%s:',..." "$(quoted "$1")"; }

# FILE with the entries of the directories put above its end marker, in that order.
with_entries() {
  local file=$1 d e=""
  shift
  for d in "$@"; do e+="$(entry "$d")"$'\n'; done
  E=$e awk '$0 == "%%% END ENTRIES %%%" { printf "%s", ENVIRON["E"] } { print }' "$file"
}

# FILE with the block of addpath lines for the directories at its end.
with_block() {
  local file=$1 d
  shift
  cat "$file"
  echo "## Begin vorex section, do not edit"
  for d in "$@"; do echo "addpath ('$(quoted "$d")', '-end');"; done
  echo "## End vorex section"
}

reported() { grep -qxF "$1 $2" <<<"$out"; }

# Octave shows a byte that is not UTF-8 as U+FFFD: both sides are compared with every byte
# outside ASCII as '?'.
shown() { sed 's/\xef\xbf\xbd/?/g; s/[\x80-\xff]/?/g'; }

# The file evaluates in Octave to one row holding the entry of $2 once.
evaluates_with() {
  [ -n "$REAL_OCTAVE" ] || return 0
  local path
  path=$(bash "$EVAL" "$1" | shown)
  [ -n "$path" ] && [ "$(grep -o -F -- "$(printf '%s:' "$2" | shown)" <<<"$path" | wc -l)" = 1 ]
}

# The real Octave, started with the site startup file, has $1 on its path once.
on_octaves_path() {
  [ -n "$REAL_OCTAVE" ] || return 0
  [ "$(OCTAVE_SITE_INITFILE="$S/octaverc" "$REAL_OCTAVE" --no-window-system --eval 'disp(path())' 2>/dev/null |
    tr ':' '\n' | grep -cxF -- "${1%/}")" = 1 ]
}

# roundtrip LABEL DIR: ADD then REMOVE of DIR on the installation in $I. The ADD writes one
# entry above the end marker and changes nothing else; the REMOVE gives back every file.
roundtrip() {
  local label=$1 dir=$2
  cp "$P" "$WORK/before.m"
  cp "$S/octaverc" "$WORK/before.rc"
  run -command ADD -path "$dir"
  check "$label: ADD status 0 ($rc)" test "$rc" -eq 0
  check "$label: ADD reported changed" reported changed "$P"
  check "$label: the entry once, above the end marker, nothing else changed" cmp -s "$P" <(with_entries "$WORK/before.m" "$dir")
  check "$label: pathdef.m evaluates in Octave" evaluates_with "$P" "$dir"
  cp "$P" "$WORK/added.m"
  if [ ${#OCTAVE_ON[@]} -gt 0 ]; then
    check "$label: octaverc reported changed" reported changed "$S/octaverc"
    check "$label: octaverc gains the block, nothing else" cmp -s "$S/octaverc" <(with_block "$WORK/before.rc" "$dir")
    # Octave turns a name that is not UTF-8 into another name, which no folder has.
    if iconv -f UTF-8 -t UTF-8 <<<"$dir" >/dev/null 2>&1; then
      check "$label: on Octave's path" on_octaves_path "$dir"
    fi
  fi
  run -command REMOVE -path "$dir"
  check "$label: REMOVE status 0 ($rc)" test "$rc" -eq 0
  check "$label: REMOVE reported changed" reported changed "$P"
  check "$label: pathdef.m byte for byte" cmp -s "$P" "$WORK/before.m"
  if [ ${#OCTAVE_ON[@]} -gt 0 ]; then
    check "$label: octaverc reported changed by the REMOVE" reported changed "$S/octaverc"
    check "$label: octaverc byte for byte" cmp -s "$S/octaverc" "$WORK/before.rc"
  fi
}

# The directories exist, so that Octave can be seen to put each one on its path.
D=$WORK/dirs
fresh table
while IFS='|' read -r label name; do
  name=$(printf '%b' "$name")
  mkdir -p "$D/$name"
  roundtrip "$label" "$D/$name"
done <<'EOF'
quote inside|x'y
double quotes|"q"
quote then percent|a'%b
entry's own end inside|a', ... %
semicolon|x;
comma|x,
semicolon and comma|x;,
trailing dot|x.
trailing dots|x...
trailing blank|trail\x20
backslash|x\\y
backslash dot|x\\.
percent|100% sure
comment-marker look-alike|%%% not a marker
non-ASCII UTF-8|caf\xc3\xa9/\xe6\x97\xa5\xe6\x9c\xac
byte that is not UTF-8|bad\xff
blanks inside|My Tools/v 1.4
trailing slash|y/
option words inside|My Tools -command REMOVE -path /opt/x
more option words inside|t -silent off -log on -octave off -matlabroot /
EOF

# Exact names: REMOVE of /opt/x leaves the directories that only look like it, and each of them
# goes again with its own REMOVE.
fresh exact
cp "$P" "$WORK/exact-before.m"
cp "$S/octaverc" "$WORK/exact-before.rc"
others=("/opt/x;" "/opt/x'" '/opt/x\y')
for dir in "${others[@]}" /opt/x; do run -command ADD -path "$dir"; done
check "exact: four ADDs" test "$(grep -c "^$(printf '\t')'/opt/x" "$P")" -eq 4
run -command REMOVE -path /opt/x
check "exact: REMOVE of /opt/x status 0" test "$rc" -eq 0
check "exact: only /opt/x removed" cmp -s "$P" <(with_entries "$WORK/exact-before.m" "${others[@]}")
if [ ${#OCTAVE_ON[@]} -gt 0 ]; then
  check "exact: only /opt/x removed from the octaverc block" cmp -s "$S/octaverc" <(with_block "$WORK/exact-before.rc" "${others[@]}")
fi
for dir in "${others[@]}"; do run -command REMOVE -path "$dir"; done
check "exact: the others removed one by one, status 0" test "$rc" -eq 0
check "exact: pathdef.m byte for byte" cmp -s "$P" "$WORK/exact-before.m"
if [ ${#OCTAVE_ON[@]} -gt 0 ]; then
  check "exact: octaverc byte for byte" cmp -s "$S/octaverc" "$WORK/exact-before.rc"
fi

# A separator line of MATLAB's own below the end marker is no entry.
fresh separator
echo "separator = ':';" >> "$P"
mkdir -p "$D/sep;"
roundtrip "separator line below the marker" "$D/sep;"
check "separator line below the marker: untouched by the ADD" test "$(tail -n 1 "$WORK/added.m")" = "separator = ':';"

# Refused: a name that holds a marker's text or a line separator. The valid pair before it is not
# carried out either: status 64, and nothing in either folder is touched.
fresh refused
snapshot() { find "$I" "$S" -printf '%p %s %T@ %i\n' | sort; md5sum "$P" "$S/octaverc"; }
snapshot > "$WORK/refused-before"
while IFS='|' read -r label name; do
  run -command ADD -path /opt/fine -command ADD -path "$(printf '%b' "$name")"
  check "refused $label: status 64 ($rc)" test "$rc" -eq 64
  check "refused $label: nothing touched" cmp -s <(snapshot) "$WORK/refused-before"
done <<'EOF'
end marker|/opt/%%% END ENTRIES %%%
begin marker|/opt/a %%% BEGIN ENTRIES %%% b
carriage return|/opt/a\rb
line feed|/opt/a\nb
U+0085|/opt/a\xc2\x85b
U+2028|/opt/a\xe2\x80\xa8b
U+2029|/opt/a\xe2\x80\xa9b
EOF

report roundtrip-e2e
