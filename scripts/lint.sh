#!/usr/bin/env bash
# Static analysis of src/: clang-tidy (the checks of .clang-tidy) on the native sources, cppcheck,
# and the formatting of .clang-format. Needs the compile commands of the default preset.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/default/compile_commands.json ] || { cmake --preset default >/dev/null; }
native=$(git ls-files 'src/*.cpp' | grep -v -e '/win32/' -e 'main_win32')
clang-tidy -p build/default --quiet --extra-arg=-Wno-unknown-warning-option $native
cppcheck --enable=warning,performance,portability --inline-suppr --error-exitcode=1 --std=c++20 -I src \
  --suppress=missingIncludeSystem --quiet src
clang-format --dry-run --Werror $(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'fuzz/*.cpp')
echo "lint: clean"
