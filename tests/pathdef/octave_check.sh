#!/usr/bin/env bash
# Edited fixtures must still evaluate in GNU Octave to a single row that holds the added
# directory once and every old entry, and no longer holds a removed one; the Octave block's line
# must append its directory to Octave's own path.
#   octave_check.sh path/to/pathdef_tool
set -u
TOOL=$(readlink -f "$1")
if ! command -v octave-cli >/dev/null; then
  echo "skipped: octave-cli is not installed (the README's test command installs it)"
  exit 0
fi
WORK=$(mktemp -d /tmp/vorex-octave-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
EVAL="$(cd "$(dirname "$0")/../support" && pwd)/octave_eval.sh"

passed=0
failed=0
evaluate() {  # evaluate FILE -> prints the path on one line, or nothing
  bash "$EVAL" "$1"
}
case_run() {  # case_run FIXTURE RULES DIR SEP
  local fixture=$1 rules=$2 dir=$3 sep=$4
  "$TOOL" fixture "$fixture" > "$WORK/orig.m"
  "$TOOL" add "$rules" "$dir" < "$WORK/orig.m" > "$WORK/added.m" || { echo "FAIL: add $fixture"; failed=$((failed + 1)); return; }
  "$TOOL" remove "$rules" "$dir" < "$WORK/added.m" > "$WORK/removed.m"
  local before after removed key
  before=$(evaluate "$WORK/orig.m")
  after=$(evaluate "$WORK/added.m")
  removed=$(evaluate "$WORK/removed.m")
  key=$dir
  [ "$rules" = windows ] && key=$(tr 'A-Z' 'a-z' <<<"$dir")
  local ok=1
  [ -n "$before" ] && [ -n "$after" ] && [ -n "$removed" ] || ok=0
  [ "$(grep -o -F "$key$sep" <<<"$after" | wc -l)" = 1 ] || ok=0
  # Every old entry is still there (as a whole entry, separators on both sides).
  local entry
  while IFS= read -r entry; do
    [ -z "$entry" ] && continue
    grep -q -F "$entry$sep" <<<"$after" || ok=0
  done < <(tr "$sep" '\n' <<<"$before" | sed 's/;$//')
  grep -q -F "$key$sep" <<<"$removed" && ok=0
  if [ $ok = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $fixture $dir"; echo "  before: $before"; echo "  after: $after"; echo "  removed: $removed"; fi
}
case_run savepath windows 'D:\My Tools\v1.4' ';'
case_run savepath windows "C:\\O'Brien\\x" ';'
case_run old windows 'C:\New' ';'
case_run current posix '/opt/My Tools' ':'
case_run current posix "/home/o'brien/m" ':'
# The end marker sharing its line with an entry, a note, or the closing bracket.
case_run after-entry posix '/opt/x' ':'
case_run with-note posix '/opt/x' ':'
case_run closing posix '/opt/x' ':'
case_run last-entry posix '/opt/x' ':'

# A name holding the end marker's text is one entry; the next ADD still goes above the real marker.
"$TOOL" fixture current | "$TOOL" add posix '/opt/a %%% END ENTRIES %%%' | "$TOOL" add posix /opt/b > "$WORK/marker.m"
marker_path=$(evaluate "$WORK/marker.m")
if [ "$(grep -o -F '/opt/a %%% END ENTRIES %%%:' <<<"$marker_path" | wc -l)" = 1 ] &&
   [ "$(grep -o -F ':/opt/b:' <<<"$marker_path" | wc -l)" = 1 ]; then
  passed=$((passed + 1))
else
  failed=$((failed + 1)); echo "FAIL: marker text in a name"; echo "  path: $marker_path"
fi

# The Octave block: its directory goes to the end of Octave's path, after Octave's own folders;
# REMOVE takes it out again, and a line the version before wrote (without '-end') as well.
mkdir -p "$WORK/tb" "$WORK/old"
printf '%% site startup\n' > "$WORK/octaverc"
"$TOOL" octave-add posix "$WORK/tb" < "$WORK/octaverc" > "$WORK/added-rc"
last=$(octave-cli --norc --no-window-system --eval \
  "source('$WORK/added-rc'); p = strsplit(path(), pathsep()); disp(p{end})" 2>/dev/null | head -1)
if grep -qF "addpath ('$WORK/tb', '-end');" "$WORK/added-rc" && [ "$last" = "$WORK/tb" ]; then
  passed=$((passed + 1))
else
  failed=$((failed + 1)); echo "FAIL: octave block appends"; echo "  last on the path: $last"
fi
"$TOOL" octave-remove posix "$WORK/tb/" < "$WORK/added-rc" > "$WORK/removed-rc"
if cmp -s "$WORK/removed-rc" "$WORK/octaverc"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1)); echo "FAIL: octave block removed"
fi
printf '## Begin vorex section, do not edit\naddpath (%s);\n## End vorex section\n' "'$WORK/old'" > "$WORK/old-rc"
"$TOOL" octave-remove posix "$WORK/old" < "$WORK/old-rc" > "$WORK/old-removed"
if [ ! -s "$WORK/old-removed" ]; then
  passed=$((passed + 1))
else
  failed=$((failed + 1)); echo "FAIL: a line without '-end' removed"
fi

echo "octave: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
