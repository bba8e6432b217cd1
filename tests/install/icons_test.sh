#!/usr/bin/env bash
# The committed PNGs of the program icon are what the SVG renders to: after a
# change of the SVG, scripts/render_icons.sh renders them again.
# Usage: icons_test.sh ICON_DIR
set -euo pipefail
icons=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for size in $(cat "$icons/sizes.txt"); do
    rsvg-convert --width "$size" --height "$size" --format png --output "$scratch/$size.png" \
        "$icons/zevrin.svg"
    cmp -s "$scratch/$size.png" "$icons/zevrin-$size.png" ||
        { echo "FAIL: zevrin-$size.png is not what zevrin.svg renders to; run scripts/render_icons.sh" >&2; exit 1; }
done
