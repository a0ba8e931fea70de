#!/usr/bin/env bash
# Makes the release packages in build/packages: vorex-VERSION-Linux.tar.gz, the .deb, and
# vorex-VERSION-windows.zip holding vorex.exe for x64 and x86 with the README and the license.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh >/dev/null
rm -rf build/packages
mkdir -p build/packages
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
(cd build/release && cpack -B ../packages >/dev/null)
cmake --preset mingw-x86 -DVOREX_TESTS=OFF >/dev/null
cmake --build --preset mingw-x86 -j"$(nproc)" --target vorex vorex_console
cmake --preset mingw-x64 -DVOREX_TESTS=OFF -DVOREX_X86_EXE="$PWD/build/mingw-x86/vorex.exe" >/dev/null
cmake --build --preset mingw-x64 -j"$(nproc)" --target vorex vorex_console
(cd build/mingw-x64 && cpack -B ../packages >/dev/null)
rm -rf build/packages/_CPack_Packages
ls -l build/packages
