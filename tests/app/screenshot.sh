#!/usr/bin/env bash
# The main window in four states on a virtual X display (Xvfb), captured with
# ImageMagick's import: docs/window-mono.png, -dual, -ltas and -sltas; and the settings
# dialog's pages, docs/settings-1.png to -4.
# Usage: tests/app/screenshot.sh [BUILD_DIR] [OUTPUT_DIR]
# Defaults: build/ and docs/ of this checkout. Needs xvfb, x11-utils and imagemagick
# (scripts/packages.txt) and a built window_gallery.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
outdir=${2:-$root/docs}
gallery_program="$build/tests/app/window_gallery"
[[ -x "$gallery_program" ]] || { echo "screenshot.sh: build $gallery_program first" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
gallery_pid=""
stop_gallery() {
    if [[ -n "$gallery_pid" ]]; then
        kill "$gallery_pid" 2>/dev/null || true
        wait "$gallery_pid" 2>/dev/null || true
        gallery_pid=""
    fi
}
cleanup() {
    local rc=$?
    stop_gallery
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$rc"
}
trap cleanup EXIT

# Xvfb picks a free display number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 200); do [[ -s "$work/display" ]] && break; sleep 0.05; done
display=":$(head -n1 "$work/display")"

for scene in mono dual ltas sltas; do
    env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY="$display" "$gallery_program" "$scene" \
        2>"$work/gallery-$scene.log" &
    gallery_pid=$!
    window=""
    # The scene is set up before the window takes its final title.
    for _ in $(seq 600); do
        window=$(xwininfo -display "$display" -name "Zevrin ($scene)" 2>/dev/null |
            awk '/Window id:/ {print $4}') || true
        [[ -n "$window" ]] && break
        sleep 0.05
    done
    [[ -n "$window" ]] || { echo "screenshot.sh: the $scene window did not appear" >&2; exit 1; }
    # Mapped is not yet painted: give the last paint a moment.
    sleep 0.5
    import -display "$display" -window "$window" "$outdir/window-$scene.png"
    echo "wrote $outdir/window-$scene.png"
    stop_gallery
done

# The settings dialog's four pages, grabbed by the program itself on the same display.
for page in 1 2 3 4; do
    env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY="$display" "$gallery_program" \
        "settings-$page" --grab "$outdir/settings-$page.png" 2>"$work/gallery-settings.log"
    echo "wrote $outdir/settings-$page.png"
done
