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

work=$(mktemp -d)
xvfb_pid=""
gallery_pid=""
cleanup() {
    local rc=$?
    if [[ -n "$gallery_pid" ]]; then
        kill "$gallery_pid" 2>/dev/null || true
        wait "$gallery_pid" 2>/dev/null || true
    fi
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$rc"
}
trap cleanup EXIT

# Xvfb picks a free display number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 200); do [[ -s "$work/display" ]] && break; sleep 0.05; done
display=":$(head -n1 "$work/display")"

env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY="$display" "$gallery_program" 2>"$work/gallery.log" &
gallery_pid=$!
window=""
for _ in $(seq 200); do
    window=$(xwininfo -display "$display" -name "Zevrin axes" 2>/dev/null |
        awk '/Window id:/ {print $4}') || true
    [[ -n "$window" ]] && break
    sleep 0.05
done
[[ -n "$window" ]] || { echo "screenshot.sh: the gallery window did not appear" >&2; exit 1; }
# Mapped is not yet painted: give the first paint a moment.
sleep 0.5
import -display "$display" -window "$window" "$out"
echo "wrote $out"
