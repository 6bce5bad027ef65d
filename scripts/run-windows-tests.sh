#!/usr/bin/env bash
# The Windows program and its tests: cross-builds everything into build-win/ (scripts/build-windows.sh;
# the first run on a machine also builds Qt for Windows) and runs the whole test suite under Wine in a
# fresh headless prefix of its own, removed afterwards. Then makes the zip and the installer
# (scripts/package-windows.sh) and checks the installed program under Wine with a window manager
# (scripts/windows-smoke-test.sh; the screenshot is build-win/package/smoke-test.png). Any build or
# test failure fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-windows.sh

prefix=$(mktemp -d)
stop_wine() {
  # Only this prefix's server is stopped.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$prefix"
}
(
  unset DISPLAY
  export WINEPREFIX="$prefix/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
  mkdir -p "$WINEPREFIX"
  trap stop_wine EXIT
  # One persistent server for the whole run; its output must not hold a pipe open.
  wineserver -p </dev/null >/dev/null 2>&1
  timeout 180 wineboot -i </dev/null >/dev/null 2>&1
  ctest --test-dir build-win --output-on-failure --timeout 600 --parallel 2 </dev/null
)

scripts/package-windows.sh
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-win/CMakeCache.txt)
scripts/windows-smoke-test.sh "build-win/package/TessaryEditor-$version-win64-setup.exe" \
    build-win/tests/argrecorder.exe build-win/package/smoke-test.png
