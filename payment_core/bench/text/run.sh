#!/usr/bin/env bash
# Builds the text benchmark and runs the core's XML parse (document built), MD5 and base64
# side by side with expat (empty handlers) and OpenSSL's EVP on the same data in one run.
# The speed column is the reference's time over ours: 1.00 means as fast as the reference.
# Usage: payment_core/bench/text/run.sh [build-dir]  (REPEATS=5 by default; the median is shown)
set -euo pipefail
top=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-$top/build}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja >/dev/null
fi
ninja -C "$build" -j3 payment_core_text_bench >/dev/null
"$build/bench/payment_core_text_bench" "${REPEATS:-5}"
