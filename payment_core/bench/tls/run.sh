#!/usr/bin/env bash
# Compares the core's HTTPS client with libcurl's easy interface against one loopback server:
# 100 GETs with a handshake each, 100 GETs on one kept connection, 100 MiB over one connection,
# POSTs of 4 MiB and 64 MiB. Then 200 MiB from nginx over HTTP and HTTPS, through the own
# connection and the Internet library.
# Run after tools/build.sh: payment_core/bench/tls/run.sh [build-dir]; REPEATS rounds (default 5).
set -euo pipefail
top=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-$top/build}
ninja -C "$build" -j3 tls_bench >/dev/null
"$build/bench/tls_bench"
ninja -C "$build" -j3 nginx_body_bench >/dev/null
"$build/bench/nginx_body_bench"
