#!/usr/bin/env bash
# Includes run one way, downward: app -> ui -> run -> discovery, pathdef -> log -> platform -> base.
# discovery and pathdef never include each other; base includes nothing of ours; portable code
# never includes a platform's own folder (platform/win32, platform/posix, ui/win32,
# ui/terminal): only code in such a folder and the two main files do.
#   include_order.sh path/to/src
set -u
SRC=$(cd "$1" && pwd)
rank() {
  case $1 in
    base) echo 0 ;; platform) echo 1 ;; log) echo 2 ;; discovery | pathdef) echo 3 ;;
    run) echo 4 ;; ui) echo 5 ;; app) echo 6 ;; *) echo -1 ;;
  esac
}
platform_specific() { [[ $1 == platform/win32/* || $1 == platform/posix/* || $1 == ui/win32/* || $1 == ui/terminal/* ]]; }
bad=0
checked=0
while IFS= read -r file; do
  rel=${file#"$SRC"/}
  from=${rel%%/*}
  while IFS= read -r inc; do
    checked=$((checked + 1))
    to=${inc%%/*}
    why=""
    if [ "$(rank "$to")" = -1 ]; then
      why="unknown folder"
    elif [ "$to" != "$from" ]; then
      if [ "$from" = base ]; then why="base includes nothing of ours"
      elif [ "$(rank "$to")" -gt "$(rank "$from")" ]; then why="includes upward"
      elif [ "$(rank "$to")" = "$(rank "$from")" ]; then why="discovery and pathdef are siblings"
      fi
    fi
    if [ -z "$why" ] && platform_specific "$inc" && ! platform_specific "$rel"; then
      case $rel in app/main_posix.cpp | app/main_win32.cpp) ;; *) why="portable code includes a platform folder" ;; esac
    fi
    if [ -n "$why" ]; then
      echo "FAIL: $rel includes \"$inc\": $why" >&2
      bad=$((bad + 1))
    fi
  done < <(sed -n 's/^#include "\([^"]*\/[^"]*\)".*/\1/p' "$file")
done < <(find "$SRC" -name '*.cpp' -o -name '*.h')
echo "include-order: $((checked - bad)) passed, $bad failed"
[ "$bad" -eq 0 ]
