#!/usr/bin/env bash
# The axis gallery on a virtual X display (Xvfb), captured with ImageMagick's import.
# Usage: tests/display/screenshot.sh [BUILD_DIR] [OUTPUT_PNG]
# Defaults: build/ and docs/axes.png of this checkout. Needs xvfb, x11-utils and
# imagemagick (scripts/packages.txt) and a built axis_gallery.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
out=${2:-$root/docs/axes.png}
gallery_program="$build/tests/display/axis_gallery"
[[ -x "$gallery_program" ]] || { echo "screenshot.sh: build $gallery_program first" >&2; exit 1; }

source "$root/tests/support/xvfb_capture.sh"
start_xvfb 1024x768
capture_window "Zevrin axes" "$out" "$gallery_program"
