#!/usr/bin/env bash
# Form POSTs on loopback: the payment core's HTTP client beside libcurl's easy interface against
# the same server, a new connection for each request and one kept connection.
# Run after tools/build.sh: payment_core/bench/http/run.sh [build-dir] (REQUESTS, RUNS to change)
set -euo pipefail
top=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-$top/build}
ninja -C "$build" -j3 http_bench >/dev/null
"$build/bench/http_bench" "${REQUESTS:-1000}" "${RUNS:-5}"
