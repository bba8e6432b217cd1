#!/usr/bin/env bash
# Runs a command with a private PulseAudio server for the tests that need real audio.
#
# The server lives in its own runtime folder under a temporary directory and has, for
# each tested sampling rate R, a null sink "zevrin_R" whose monitor is remapped as the
# source "zevrin_R_in": what a client plays on the sink comes back bit-exact from the
# source (a stream at another rate would be resampled). ALSA's "default" and "pulse"
# devices, and so PortAudio's default devices, go to this server while it runs.
#
# The command sees ZEVRIN_SOUND_SERVER=1, which tells the real-audio tests that a
# missing server is a failure, not a reason to skip, and ZEVRIN_SOUND_RUNTIME, the
# server's runtime folder, where pacmd (with XDG_RUNTIME_DIR set to it) finds the
# server's command line. The server is stopped by its PID
# when the command ends, whatever its exit status.
set -euo pipefail

rates=(16000 44100 48000)

state=$(mktemp -d "${TMPDIR:-/tmp}/zevrin-sound.XXXXXX")
pulse_pid=""

stop_server() {
    if [[ -n "$pulse_pid" ]]; then
        kill "$pulse_pid" 2>/dev/null || true
        for _ in $(seq 100); do
            kill -0 "$pulse_pid" 2>/dev/null || break
            sleep 0.05
        done
        kill -9 "$pulse_pid" 2>/dev/null || true
        wait "$pulse_pid" 2>/dev/null || true
    fi
    rm -rf "$state"
}
trap stop_server EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

start_server() {
    command -v pulseaudio >/dev/null || {
        echo "with_sound_server: pulseaudio is not installed" >&2
        return 1
    }
    mkdir -p -m 700 "$state/xdg" "$state/home"
    {
        echo "load-module module-native-protocol-unix auth-anonymous=1"
        echo "load-module module-cli-protocol-unix"
        for r in "${rates[@]}"; do
            echo "load-module module-null-sink sink_name=zevrin_$r rate=$r format=s16le channels=2"
            echo "load-module module-remap-source master=zevrin_$r.monitor source_name=zevrin_${r}_in"
        done
        echo "set-default-sink zevrin_48000"
        echo "set-default-source zevrin_48000_in"
    } >"$state/loop.pa"
    # The server's own folders stay inside the state directory; the clients are only
    # told where to connect, so the tests keep the caller's HOME and XDG folders.
    env XDG_RUNTIME_DIR="$state/xdg" HOME="$state/home" \
        pulseaudio --daemonize=no -n -F "$state/loop.pa" --exit-idle-time=-1 \
        --realtime=no --high-priority=no --use-pid-file=yes --log-target=stderr \
        >"$state/pulse.log" 2>&1 &
    pulse_pid=$!
    export PULSE_SERVER="unix:$state/xdg/pulse/native"
    export PULSE_COOKIE="$state/home/cookie"
    for _ in $(seq 200); do
        pactl info >/dev/null 2>&1 && return 0
        kill -0 "$pulse_pid" 2>/dev/null || break
        sleep 0.05
    done
    echo "with_sound_server: the private PulseAudio server did not start; its log:" >&2
    cat "$state/pulse.log" >&2 || true
    return 1
}

start_server || echo "with_sound_server: the real-audio tests will fail" >&2
export ZEVRIN_SOUND_SERVER=1 ZEVRIN_SOUND_RUNTIME="$state/xdg"
status=0
"$@" || status=$?
exit "$status"
