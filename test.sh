#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; ends with ctest's summary.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/setup.sh" "$root/build"
export QT_QPA_PLATFORM=offscreen
exec "$root/scripts/with_sound_server.sh" ctest --test-dir "$root/build" --output-on-failure -j2
