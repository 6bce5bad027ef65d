#!/usr/bin/env bash
# Cross-builds the editor, tessary-check and every test for 64-bit Windows into build-win/:
# first the parts of Qt it needs (cmake/qt-windows/build-qt-windows.sh, once per machine, kept under
# $XDG_CACHE_HOME/tessary-editor/), then QScintilla for that Qt (once, into build-deps/).
set -euo pipefail
cd "$(dirname "$0")/.."
TESSARY_WINDOWS_TESTS=1 scripts/install-deps.sh

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
start=$SECONDS
qt=$(cmake/qt-windows/build-qt-windows.sh)
[ $((SECONDS - start)) -gt 5 ] && echo "Qt for Windows built in $((SECONDS - start)) s: $qt"
# A folder configured from another source (the backend tests' own project before) is started afresh.
if [ -f build-win/CMakeCache.txt ] && ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$PWD" build-win/CMakeCache.txt; then
  rm -rf build-win
fi
cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
      -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" >/dev/null
cmake --build build-win --parallel "$(nproc)"
