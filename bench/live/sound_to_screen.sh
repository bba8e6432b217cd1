#!/usr/bin/env bash
# Sound to screen through the sound server: runs bench/live/sound_to_screen.cpp on a
# private PulseAudio (scripts/with_sound_server.sh) and a private X display (Xvfb).
# Usage: bench/live/sound_to_screen.sh [BUILD_DIR] [--bandwidths 50,10,2] [--clicks N]
#        [--endurance SECONDS] [--latency MS]
# With --endurance the window is resized every 50 ms for that long at each bandwidth
# and the blocks lost are counted; --latency sets the capture's latency (the window's own
# setting otherwise). Needs the benchmarks built (cmake --build BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build
if [[ $# -gt 0 && $1 != --* ]]; then
    build=$1
    shift
fi
source "$root/tests/support/xvfb_capture.sh"
start_xvfb 1600x1000
home=$(mktemp -d)
export ZEVRIN_HOME=$home PULSE_SINK=zevrin_48000 PULSE_SOURCE=zevrin_48000_in
uptime
on_display "$root/scripts/with_sound_server.sh" "$build/bench/live/sound_to_screen_bench" "$@"
rm -rf "$home"
