#!/usr/bin/env bash
# Starts the local stand-in for the ringtone service, then the program pointed at it; the
# stand-in stops when the program ends. Usage: testing/service/try-tavimo.sh [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-$top/build}/bin
log=$(mktemp)
"$bin/tavimo-service-standin" >"$log" &
standin=$!
trap 'kill "$standin" 2>/dev/null; rm -f "$log"' EXIT
for _ in $(seq 50); do
  [ -s "$log" ] && break
  sleep 0.1
done
host=$(head -n 1 "$log")
echo "Ringtone service stand-in on $host; it lists every request in $log while it runs"
TAVIMO_SERVICE_HOST=$host TAVIMO_CONNECTIVITY_URL="http://$host/" "$bin/tavimo"
