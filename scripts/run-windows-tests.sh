#!/usr/bin/env bash
# Cross-builds the Windows backends and their tests with mingw-w64 (build-win/) and runs them under
# Wine in a fresh headless prefix of their own, which is removed afterwards. Any build or test failure
# fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
TESSARY_WINDOWS_TESTS=1 scripts/install-deps.sh

cmake -S tests/windows -B build-win -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" >/dev/null
cmake --build build-win --parallel "$(nproc)"

prefix=$(mktemp -d)
unset DISPLAY
export WINEPREFIX="$prefix/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
stop_wine() {
  # Only this prefix's server is stopped.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$prefix"
}
mkdir -p "$WINEPREFIX"
trap stop_wine EXIT
# One persistent server for the whole run; its output must not hold a pipe open.
wineserver -p </dev/null >/dev/null 2>&1
timeout 120 wineboot -i </dev/null >/dev/null 2>&1
ctest --test-dir build-win --output-on-failure --timeout 120 </dev/null
