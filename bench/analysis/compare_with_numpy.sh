#!/usr/bin/env bash
# `zevrin --analyse` of a ten-minute 48 kHz stereo file against numpy's batched rfft
# computing the same long-term average spectrum, CPU time side by side.
# Usage: bench/analysis/compare_with_numpy.sh [BUILD_DIR] (default: build)
# Installs python3-numpy (Debian's) when it is missing; needs the program built.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
if ! /usr/bin/python3 -c 'import numpy' 2>/dev/null; then
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends python3-numpy >/dev/null
fi
exec /usr/bin/python3 "$root/bench/analysis/numpy_ltas.py" "$build/src/app/zevrin"
