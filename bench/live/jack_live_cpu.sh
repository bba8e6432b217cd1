#!/usr/bin/env bash
# Live CPU on the same stream, Zevrin beside jaaa: a JACK server with the dummy back-end
# at 48 kHz, white noise played into it (jack_noise.py), and in turn jaaa (one channel,
# its default 4096 points) and the program's main window through PortAudio's JACK host
# API (zevrin_live_bench: mono at 4096 points, then dual with LTAS and SLTAS at 10 Hz),
# each on an X server of its own (Xvfb) for SECONDS, ROUNDS times. The CPU time of each
# analyser and of its X server comes from /proc/PID/stat.
# Usage: bench/live/jack_live_cpu.sh [BUILD_DIR] [SECONDS=60] [ROUNDS=3]
# Installs jackd2, jaaa, python3-numpy and xvfb when they are missing (benchmark only).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
seconds=${2:-60}
rounds=${3:-3}

missing=()
for pkg in jackd2 jaaa python3-numpy xvfb; do
    [[ $(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null) == "install ok installed" ]] ||
        missing+=("$pkg")
done
if ((${#missing[@]})); then
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

work=$(mktemp -d)
server="zevrinbench$$"
pids=()
cleanup() {
    local rc=$?
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
    exit "$rc"
}
trap cleanup EXIT
export JACK_NO_AUDIO_RESERVATION=1 JACK_DEFAULT_SERVER=$server ZEVRIN_HOME=$work
jackd -n "$server" --no-realtime -d dummy -r 48000 -p 1024 -C 2 -P 2 >"$work/jackd.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done
/usr/bin/python3 "$root/bench/live/jack_noise.py" "$server" noise &
pids+=($!)
for _ in $(seq 100); do jack_lsp 2>/dev/null | grep -q '^noise:out$' && break; sleep 0.1; done

ticks=$(getconf CLK_TCK)
# User and system CPU ticks of a process.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# measure LABEL PROGRAM [ARG...]: the program on its own X server for $seconds.
measure() {
    local label=$1
    shift
    Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    local xpid=$!
    for _ in $(seq 200); do [[ -s "$work/display" ]] && break; sleep 0.05; done
    local display=":$(head -n1 "$work/display")"
    : >"$work/display"
    local before after
    before=$(jack_lsp 2>/dev/null | sort)
    env -u QT_QPA_PLATFORM DISPLAY="$display" "$@" >"$work/program.log" 2>&1 &
    local pid=$!
    sleep 5 # start-up, and the stream coming up
    after=$(jack_lsp 2>/dev/null | sort)
    # Every new input port gets the noise.
    for port in $(comm -13 <(echo "$before") <(echo "$after")); do
        if jack_lsp -p "$port" 2>/dev/null | grep -q input; then
            jack_connect noise:out "$port" 2>/dev/null || true
        fi
    done
    sleep 1
    local p0 x0 p1 x1
    p0=$(cpu_ticks "$pid")
    x0=$(cpu_ticks "$xpid")
    sleep "$seconds"
    p1=$(cpu_ticks "$pid")
    x1=$(cpu_ticks "$xpid")
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    kill "$xpid" 2>/dev/null || true
    wait "$xpid" 2>/dev/null || true
    awk -v l="$label" -v p=$((p1 - p0)) -v x=$((x1 - x0)) -v t="$ticks" -v s="$seconds" \
        'BEGIN {printf "%-40s %6.2f %% CPU, with its X server %6.2f %%\n", l,
                100 * p / t / s, 100 * (p + x) / t / s}'
}

uptime
grep -m1 'model name' /proc/cpuinfo
for round in $(seq "$rounds"); do
    echo "round $round"
    measure "jaaa, one channel, 4096 points" jaaa -J -s "$server"
    measure "zevrin, mono, 4096 points" "$build/bench/live/zevrin_live_bench" \
        --seconds $((seconds + 20))
    measure "zevrin, dual, 10 Hz, LTAS and SLTAS" "$build/bench/live/zevrin_live_bench" \
        --seconds $((seconds + 20)) --dual --bandwidth 10 --ltas --sltas
done
