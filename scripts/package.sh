#!/usr/bin/env bash
# Builds the Debian package from a release build in ./build-package; the .deb is left there. The
# build is optimised as the one the benchmarks measure (-O2; CPack strips the debug information):
# -O3 made the editor's code larger, and its memory with it, for no speed an editor shows.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
      -DBUILD_TESTING=OFF -DTESSARY_BUILD_BENCH=OFF >/dev/null
cmake --build build-package --parallel "$(nproc)"
(cd build-package && cpack -G DEB)
ls -1 build-package/tessary-editor_*.deb
