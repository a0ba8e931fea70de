#!/usr/bin/env bash
# Builds every preset CI needs and runs every test: static analysis, the native tests (plain,
# AddressSanitizer with UBSan, ThreadSanitizer), the POSIX end-to-end cases, the fuzz targets for
# a short fixed time, and the Windows program's tests and end-to-end cases under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

for preset in default asan tsan; do
  echo "=== native: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$(nproc)"
  ctest --preset "$preset" -j"$(nproc)"
done

echo "=== static analysis"
bash scripts/lint.sh

echo "=== fuzz"
bash fuzz/run.sh 20

for preset in mingw-x64 mingw-x86; do
  echo "=== cross: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$(nproc)"
done
file build/mingw-x86/vorex.exe | grep -q "PE32 executable" 
file build/mingw-x64/vorex.exe | grep -q "PE32+ executable"
file build/mingw-x64/vorex.com | grep -q "PE32+ executable (console)"
file build/mingw-x86/vorex.com | grep -q "PE32 executable (console)"
for exe in build/mingw-x64/vorex.exe build/mingw-x86/vorex.exe build/mingw-x64/vorex.com build/mingw-x86/vorex.com; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
  echo "$exe imports: $dlls"
  for dll in $dlls; do
    case "$dll" in kernel32.dll|user32.dll|advapi32.dll|msvcrt.dll|gdi32.dll|comctl32.dll|shell32.dll|ole32.dll) ;; *) echo "unexpected import $dll"; exit 1;; esac
  done
done

echo "=== windows: tests and end-to-end cases under Wine"
bash tests/e2e/wine_e2e.sh build/mingw-x64
bash tests/e2e/installers_e2e.sh build/mingw-x64

echo "=== packages: the .deb passes lintian with no error and no warning"
bash scripts/package.sh
lintian --display-info --fail-on error,warning build/packages/vorex_*.deb
