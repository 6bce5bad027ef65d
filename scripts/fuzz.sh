#!/usr/bin/env bash
# Fuzzes one target with clang's libFuzzer for the given number of seconds:
#   scripts/fuzz.sh registry_file 60
# Targets: the tests/fuzz/fuzz_*.cpp files without their prefix. New inputs go to build-fuzz/corpus/TARGET;
# an input worth keeping (a crash once fixed, a new shape) is copied into tests/fuzz/corpus/TARGET.
set -euo pipefail
cd "$(dirname "$0")/.."
target="${1:-}"
seconds="${2:-60}"
if [ -z "$target" ] || [ ! -f "tests/fuzz/fuzz_${target}.cpp" ]; then
  echo "usage: scripts/fuzz.sh TARGET SECONDS   (TARGET: $(ls tests/fuzz/fuzz_*.cpp | sed 's|.*/fuzz_||;s|\.cpp||' | tr '\n' ' '))" >&2
  exit 2
fi
scripts/install-deps.sh
if ! command -v clang++ >/dev/null; then
  echo "clang++ is needed for libFuzzer: apt-get install clang" >&2
  exit 1
fi
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DTESSARY_LIBFUZZER=ON -DTESSARY_SANITIZE=ON -DTESSARY_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" --target "fuzz_${target}"
mkdir -p "build-fuzz/corpus/${target}" "build-fuzz/artifacts/${target}"
export QT_QPA_PLATFORM=offscreen
export TESSARY_REGISTRY_FILE="$PWD/build-fuzz/fuzz.registry.reg"
exec "build-fuzz/tests/fuzz/fuzz_${target}" -max_total_time="$seconds" -timeout=20 \
     -artifact_prefix="build-fuzz/artifacts/${target}/" \
     "build-fuzz/corpus/${target}" "tests/fuzz/corpus/${target}"
