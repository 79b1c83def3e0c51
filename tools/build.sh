#!/usr/bin/env bash
# Configures and builds: tools/build.sh [asan]  (normal build in build/, sanitizer build in build-asan/)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=build
flags=()
if [ "${1:-}" = asan ]; then
  dir=build-asan
  flags=(-DSANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi
cmake -S "$top" -B "$top/$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$top/$dir" -j "$(nproc)"
