#!/usr/bin/env bash
# Renders the program icon data/icons/zevrin.svg to the PNG sizes that the desktop's
# icon theme and the program's own windows use. Run it after changing the SVG and
# commit the PNGs with it; the install tests check that they are in step.
# Needs rsvg-convert (package librsvg2-bin).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
icons="$root/data/icons"
for size in $(cat "$icons/sizes.txt"); do
    rsvg-convert --width "$size" --height "$size" --format png \
        --output "$icons/zevrin-$size.png" "$icons/zevrin.svg"
done
