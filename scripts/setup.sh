#!/usr/bin/env bash
# Shared set-up of run.sh and test.sh: install the missing Debian packages,
# configure (once) and build. Usage: scripts/setup.sh BUILD_DIR [cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build directory}
shift

missing=()
while read -r pkg; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done <"$root/scripts/packages.txt"

if ((${#missing[@]})); then
    echo "Installing missing packages: ${missing[*]}"
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Warnings are errors here, as in CI, but not in a build of a user's own.
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEVRIN_WERROR=ON "$@"
elif ! grep -qx 'ZEVRIN_WERROR:BOOL=ON' "$build/CMakeCache.txt"; then
    cmake "$build" -DZEVRIN_WERROR=ON >/dev/null
fi
cmake --build "$build"
