#!/usr/bin/env bash
# Configures and builds the editor, its tests and benchmarks in ./build (through ccache when it is
# installed, so that a second clone on the same machine builds in minutes).
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${launcher[@]}" >/dev/null
cmake --build build --parallel "$(nproc)"
