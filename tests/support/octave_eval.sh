#!/usr/bin/env bash
# Evaluates a pathdef.m in GNU Octave and prints the path it returns on one line; prints nothing
# when the file does not evaluate to a single row. Exit 3 when octave-cli is missing.
#   octave_eval.sh FILE
set -u
command -v octave-cli >/dev/null || exit 3
WORK=$(mktemp -d /tmp/vorex-octave-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/+matlab/+internal"
# Stand-ins for what Octave lacks.
printf 'function p = userpath\n  p = %s;\nend\n' "''" > "$WORK/userpath.m"
printf 'function r = matlabroot\n  r = %s;\nend\n' "'/M'" > "$WORK/matlabroot.m"
printf 'function r = feature(varargin)\n  r = false;\nend\n' > "$WORK/+matlab/+internal/feature.m"
cp "$1" "$WORK/pathdef.m"
(cd "$WORK" && octave-cli --norc --no-window-system --eval \
  "clear all; p = pathdef(); if rows(p) ~= 1, disp('FAIL rows'); else disp(['PATH=' p]); end" 2>&1) | sed -n 's/^PATH=//p'
