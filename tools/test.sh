#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite: tools/test.sh [asan]
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
cd "$top/$dir"
# Tests that open windows need a display; one virtual display serves the whole run.
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$(nproc)"
