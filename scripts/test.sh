#!/usr/bin/env bash
# The test command: installs what is missing, builds a Debug build with
# AddressSanitizer and UndefinedBehaviorSanitizer (warnings are errors),
# starts the private test databases (scripts/testdb.sh), runs every test with
# ctest, and stops the databases again, also when a test fails or the run is
# interrupted.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FW_TEST_BUILD_DIR:-$root/build/test}

"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DFW_SANITIZE=ON -DFW_WERROR=ON -DFW_BUILD_TESTS=ON >/dev/null
cmake --build "$build"

# A state file of this build's own: the databases a developer started by
# hand stay untouched, and whatever a killed earlier run of this command
# left behind is stopped first.
export FW_TESTDB_STATE=$build/testdb.state
"$root/scripts/testdb.sh" stop
trap '"$root/scripts/testdb.sh" stop' EXIT
# bash runs the EXIT trap on exit, not when a signal kills it: turn the
# signals into an exit.
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
"$root/scripts/testdb.sh" start
env_lines=$("$root/scripts/testdb.sh" env)
eval "$env_lines"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
ctest --output-on-failure -j "$(nproc)" "$@"
