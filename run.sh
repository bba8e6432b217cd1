#!/usr/bin/env bash
# Installs what is missing, builds, and starts Zevrin. Arguments go to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/setup.sh" "$root/build"
exec "$root/build/src/app/zevrin" "$@"
