#!/usr/bin/env bash
# Installs what Lumidex needs, builds it and starts the editor.
#   ./run.sh                    opens the demo chart
#   ./run.sh chart.xml          opens chart.xml
#   ./run.sh -p PAKFILE ENTRY   opens ENTRY from inside the PAK archive PAKFILE
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/scripts/install-deps"
# Configured once; after that the build itself re-runs CMake when a
# CMakeLists.txt changes, so a second start costs only Ninja's check.
if [ ! -f "$here/build/build.ninja" ]; then
  cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$here/build" -j "$(nproc)" --target lumidex
if [ $# -eq 0 ] && [ -f "$here/examples/demo/songs/demo/demo.xml" ]; then
  set -- "$here/examples/demo/songs/demo/demo.xml"
fi
exec "$here/build/lumidex" "$@"
