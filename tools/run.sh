#!/usr/bin/env bash
# Installs what is missing, builds everything, registers the control libraries and starts the
# program against the local stand-in for the ringtone service.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/install-deps.sh"
"$top/tools/build.sh"
for library in libSondrel3.so libAudioEditor2.so libCorvisk21.so libPelloran.so; do
  "$top/build/bin/regsvr" "$top/build/bin/$library"
done
exec "$top/testing/service/try-tavimo.sh" "$top/build"
