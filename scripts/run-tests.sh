#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; then builds the library and tests again with
# AddressSanitizer + UBSan (build-asan/) and runs them there too. Any failure or sanitizer finding
# fails the run. TESSARY_SKIP_SANITIZE=1 skips the second pass (a quicker local run). Last, the Windows
# program and its tests are cross-built and run under Wine, and its packages made and tried
# (scripts/run-windows-tests.sh); TESSARY_SKIP_WINDOWS=1 skips that.
set -euo pipefail
cd "$(dirname "$0")/.."
# Wine and mingw-w64 also serve the main tests: the run route through Wine is started for real there.
if [ "${TESSARY_SKIP_WINDOWS:-0}" != 1 ]; then
  export TESSARY_WINDOWS_TESTS=1
fi
scripts/install-deps.sh
scripts/build.sh
ctest --test-dir build --output-on-failure --timeout 600

if [ "${TESSARY_SKIP_SANITIZE:-0}" != 1 ]; then
  echo "== The same tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" \
        -DTESSARY_SANITIZE=ON -DTESSARY_BUILD_BENCH=OFF \
        -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache >/dev/null
  cmake --build build-asan --parallel "$(nproc)"
  (
    export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:suppressions=$PWD/tests/sanitizers/asan.supp"
    export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    ctest --test-dir build-asan --output-on-failure --timeout 1200
  )
fi

if [ "${TESSARY_SKIP_WINDOWS:-0}" != 1 ]; then
  echo "== The Windows program, cross-built with mingw-w64, under Wine =="
  scripts/run-windows-tests.sh
fi
