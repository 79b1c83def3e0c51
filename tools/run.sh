#!/usr/bin/env bash
# Installs what is missing, builds everything and starts the program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/install-deps.sh"
"$top/tools/build.sh"
if [ -x "$top/build/bin/tavimo" ]; then
  exec "$top/build/bin/tavimo" "$@"
fi
echo "Everything that exists is built in build/bin; the program tavimo is not built yet."
