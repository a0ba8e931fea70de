#!/usr/bin/env bash
# Builds vorex and runs its main job on a fresh copy of the bundled sample installation: the
# sample's `matlab` launcher is put on PATH, so the installation is found the quick way, and a
# directory is added to its search path. Then shows the change and the backup.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh build >/dev/null
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" >/dev/null
demo=$(mktemp -d /tmp/vorex-demo-XXXXXX)
cp -a examples/sample-install "$demo/install"
echo "sample installation copied to $demo/install"
cd "$demo"
status=0
PATH="$demo/install/bin:$PATH" "$OLDPWD/build/release/vorex" -command ADD -path "$HOME/matlab/my tools" -log on </dev/null ||
  status=$?
echo
echo "exit status: $status"
echo "--- change to toolbox/local/pathdef.m (backup on the left):"
diff "$demo/install/toolbox/local/pathdef.bak" "$demo/install/toolbox/local/pathdef.m" || true
echo "--- the log, $demo/vorex.log, begins:"
head -n 4 "$demo/vorex.log"
