#!/usr/bin/env bash
# The main window in four states on a virtual X display (Xvfb), captured with
# ImageMagick's import: docs/window-mono.png, -dual, -ltas and -sltas; the transfer
# function window, docs/transfer-all.png and -octave; the settings dialog's pages,
# docs/settings-1.png to -4; the spectrogram window over a sentence that espeak-ng
# speaks and over a sweep that sox makes, docs/spectrogram-speech.png and -sweep; a
# printed page and a command-line picture.
# Usage: tests/app/screenshot.sh [BUILD_DIR] [OUTPUT_DIR]
# Defaults: build/ and docs/ of this checkout. Needs xvfb, x11-utils, imagemagick,
# poppler-utils, espeak-ng and sox (scripts/packages.txt), a built window_gallery and
# zevrin, and the tests run once.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
outdir=${2:-$root/docs}
gallery_program="$build/tests/app/window_gallery"
[[ -x "$gallery_program" ]] || { echo "screenshot.sh: build $gallery_program first" >&2; exit 1; }
for tool in espeak-ng sox; do
    command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is missing (apt-get install $tool)" >&2; exit 1; }
done

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

# The printed page of the ltas scene (docs/printed-ltas.pdf, and its picture), and the
# picture that zevrin --analyse draws of the tone that app_analyse_command_test leaves
# in the build tree; both without a display.
QT_QPA_PLATFORM=offscreen "$gallery_program" ltas --print "$outdir/printed-ltas.pdf" 2>/dev/null
pdftoppm -r 100 -png -singlefile "$outdir/printed-ltas.pdf" "$outdir/printed-ltas"
echo "wrote $outdir/printed-ltas.pdf and $outdir/printed-ltas.png"
ZEVRIN_HOME="$xvfb_work/home" "$build/src/app/zevrin" --analyse "$build/tests/app/tone.wav" \
    --bandwidth 100 --ltas --png "$outdir/analyse-tone.png" --size 800x450 >/dev/null 2>&1
echo "wrote $outdir/analyse-tone.png"
# The spectrogram of speech and of an exponential sweep, each analysed from a file.
espeak-ng -s 140 -w "$xvfb_work/speech.wav" \
    "Zevrin shows how the spectrum of speech moves in time: vowels, voices and hissing consonants."
sox -n -r 16000 -b 16 -c 1 "$xvfb_work/sweep.wav" synth 8 sine 60/7500 vol 0.5
for sound in speech sweep; do
    capture_window "Zevrin (spectrogram-$sound)" "$outdir/spectrogram-$sound.png" \
        "$gallery_program" "spectrogram-$sound" "$xvfb_work/$sound.wav"
done
