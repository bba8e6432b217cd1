# Sourced by the screenshot scripts: a private virtual X display (Xvfb), and the
# windows of programs run on it captured with ImageMagick's import. Needs xvfb,
# x11-utils and imagemagick (scripts/packages.txt). Everything started here is stopped
# when the sourcing script exits.

xvfb_work=$(mktemp -d)
xvfb_pid=""
captured_pid=""

stop_captured_program() {
    if [[ -n "$captured_pid" ]]; then
        kill "$captured_pid" 2>/dev/null || true
        wait "$captured_pid" 2>/dev/null || true
        captured_pid=""
    fi
}

xvfb_cleanup() {
    local rc=$?
    stop_captured_program
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$xvfb_work"
    exit "$rc"
}
trap xvfb_cleanup EXIT

# start_xvfb WIDTHxHEIGHT: starts the display and sets $display. The size is for a
# scale factor of 1; with QT_SCALE_FACTOR set the screen grows with the windows.
start_xvfb() {
    local size
    size=$(awk -v size="$1" -v factor="${QT_SCALE_FACTOR:-1}" 'BEGIN {
        split(size, wh, "x"); printf "%dx%d", wh[1] * factor, wh[2] * factor }')
    # Xvfb picks a free display number and writes it to fd 3.
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$xvfb_work/display" \
        2>"$xvfb_work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 200); do [[ -s "$xvfb_work/display" ]] && break; sleep 0.05; done
    display=":$(head -n1 "$xvfb_work/display")"
}

# on_display PROGRAM [ARG...]: runs a program on the display until it ends.
on_display() {
    env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY="$display" "$@" 2>>"$xvfb_work/programs.log"
}

# capture_window TITLE OUT PROGRAM [ARG...]: runs the program on the display, waits for
# its window titled TITLE, writes the window's picture to OUT and stops the program.
capture_window() {
    local title=$1 out=$2 window=""
    shift 2
    on_display "$@" &
    captured_pid=$!
    for _ in $(seq 600); do
        window=$(xwininfo -display "$display" -name "$title" 2>/dev/null |
            awk '/Window id:/ {print $4}') || true
        [[ -n "$window" ]] && break
        sleep 0.05
    done
    [[ -n "$window" ]] || { echo "screenshot: the window \"$title\" did not appear" >&2; exit 1; }
    # Mapped is not yet painted: give the last paint a moment.
    sleep 0.5
    import -display "$display" -window "$window" "$out"
    echo "wrote $out"
    stop_captured_program
}
