#!/usr/bin/env bash
# Installs what Borvane needs, builds it, creates TAMBRA.GDB beside the program
# when there is none yet, and starts the program.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh"
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBORVANE_TESTS=OFF
cmake --build "$here/build" -j"$(nproc)"
bin="$here/build/bin"
if [ ! -e "$bin/TAMBRA.GDB" ]; then
  "$bin/borvane-admin" create "$bin"
fi
exec "$bin/borvane" "$@"
