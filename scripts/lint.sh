#!/usr/bin/env bash
# Static analysis of src/: the size of every function (pmccabe), clang-tidy (the checks of
# .clang-tidy) on the native sources, cppcheck, and the formatting of .clang-format. Needs the
# compile commands of the default preset. Every check runs; the status tells whether any failed.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0

# Size: no function of either platform over 60 lines or over a cyclomatic complexity of 15,
# counting each case of a switch (traditional) or the switch once (modified). pmccabe prints
# "modified traditional statements first-line lines file(line): name", tab-separated. It does not
# know raw strings, and one it misreads hides the rest of its file: their text is blanked first
# (the line breaks in them kept, so that the line numbers hold).
measure() {
  perl -0pe 's/R"([^(\s]*)\((.*?)\)\1"/my $t = $2; $t =~ s{[^\n]}{}g; "\"\"$t"/gse' "$1" | pmccabe 2>&1 |
    sed -e "s|\tstdin(|\t$1(|" -e "s|^\"stdin\"|$1|"
}
measured=$(for f in $(git ls-files 'src/*.cpp' 'src/*.h'); do measure "$f"; done)
offenders=$(awk -F'\t' 'NF >= 6 && ($1 > 15 || $2 > 15 || $5 > 60)' <<<"$measured")
if [ -n "$offenders" ]; then
  echo "lint: functions over 60 lines or a complexity of 15 (modified, traditional, statements, first line, lines):"
  echo "$offenders"
  status=1
fi
# Where pmccabe loses a closing brace, the functions after it go unmeasured.
lost=$(grep "not enough }'s" <<<"$measured" || true)
if [ -n "$lost" ]; then
  echo "lint: pmccabe lost the end of a file, so its last functions went unmeasured:"
  echo "$lost"
  status=1
fi

[ -f build/default/compile_commands.json ] || { cmake --preset default >/dev/null; }
native=$(git ls-files 'src/*.cpp' | grep -v -e '/win32/' -e 'main_win32')
clang-tidy -p build/default --quiet --extra-arg=-Wno-unknown-warning-option $native || status=1
cppcheck --enable=warning,performance,portability --inline-suppr --error-exitcode=1 --std=c++20 -I src \
  --suppress=missingIncludeSystem --quiet src || status=1
clang-format --dry-run --Werror $(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'fuzz/*.cpp') ||
  status=1
if [ "$status" -ne 0 ]; then
  echo "lint: failed"
  exit 1
fi
echo "lint: clean"
