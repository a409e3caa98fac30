#!/usr/bin/env bash
# The test command: installs what is missing, builds a Debug build with
# AddressSanitizer and UndefinedBehaviorSanitizer (warnings are errors), and
# runs every test with ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FW_TEST_BUILD_DIR:-$root/build/test}

"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DFW_SANITIZE=ON -DFW_WERROR=ON -DFW_BUILD_TESTS=ON >/dev/null
cmake --build "$build"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
ctest --output-on-failure -j "$(nproc)" "$@"
