#!/usr/bin/env bash
# The main window in four states on a virtual X display (Xvfb), captured with
# ImageMagick's import: docs/window-mono.png, -dual, -ltas and -sltas; the transfer
# function window, docs/transfer-all.png and -octave; and the settings dialog's pages,
# docs/settings-1.png to -4.
# Usage: tests/app/screenshot.sh [BUILD_DIR] [OUTPUT_DIR]
# Defaults: build/ and docs/ of this checkout. Needs xvfb, x11-utils and imagemagick
# (scripts/packages.txt) and a built window_gallery.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
outdir=${2:-$root/docs}
gallery_program="$build/tests/app/window_gallery"
[[ -x "$gallery_program" ]] || { echo "screenshot.sh: build $gallery_program first" >&2; exit 1; }

source "$root/tests/support/xvfb_capture.sh"
start_xvfb 1280x900

# The scene is set up before the window takes its final title.
for scene in mono dual ltas sltas; do
    capture_window "Zevrin ($scene)" "$outdir/window-$scene.png" "$gallery_program" "$scene"
done

# The transfer function window measuring a loudspeaker: every partial, twelve per octave.
capture_window "Transfer function (transfer)" "$outdir/transfer-all.png" "$gallery_program" transfer
capture_window "Transfer function (transfer-octave)" "$outdir/transfer-octave.png" \
    "$gallery_program" transfer-octave

# The settings dialog's four pages, grabbed by the program itself on the same display.
for page in 1 2 3 4; do
    on_display "$gallery_program" "settings-$page" --grab "$outdir/settings-$page.png"
    echo "wrote $outdir/settings-$page.png"
done
