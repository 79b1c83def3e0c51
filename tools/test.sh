#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite: tools/test.sh [asan]
# Every test binary runs whole and shuffled; tools/run-tests.sh says how to repeat an order.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/install-deps.sh"
"$top/tools/build.sh" "$@"
dir=build
if [ "${1:-}" = asan ]; then
  dir=build-asan
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
exec "$top/tools/run-tests.sh" "$top/$dir"
