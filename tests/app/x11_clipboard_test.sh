#!/usr/bin/env bash
# Runs a test program on a private Xvfb display with Qt's X11 platform, so that what it
# puts on the clipboard is read by other programs. Needs xvfb, xauth and xclip.
set -euo pipefail
source "$(cd "$(dirname "$0")/.." && pwd)/support/xvfb_capture.sh"
start_xvfb 1024x768
env -u WAYLAND_DISPLAY DISPLAY="$display" QT_QPA_PLATFORM=xcb "$@"
