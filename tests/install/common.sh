# Shared by the install and package tests (sourced, not run).

# The files every installed tree must hold, relative to its prefix, for the
# application's ID $1: the program and what a desktop and a distribution need.
installed_files() {
    local id=$1
    echo "bin/zevrin"
    echo "share/applications/$id.desktop"
    echo "share/metainfo/$id.metainfo.xml"
    echo "share/mime/packages/$id.xml"
    echo "share/icons/hicolor/scalable/apps/$id.svg"
    local size
    for size in 16 22 24 32 48 64 128 256; do
        echo "share/icons/hicolor/${size}x${size}/apps/$id.png"
    done
    echo "share/man/man1/zevrin.1.gz"
    echo "share/bash-completion/completions/zevrin"
    echo "share/doc/zevrin/copyright"
    echo "share/doc/zevrin/changelog.gz"
    echo "share/doc/zevrin/zevrin.html"
    grep -v '^#' "$source/docs/guide-pictures.txt" | awk '{print "share/doc/zevrin/" $1 ".png"}'
}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Writes one second of a 1 kHz sine at half of full scale, 16 kHz, mono, 16-bit, as
# a WAV file $1. One period is 16 samples, so the file is that period 1000 times.
write_tone() {
    local out=$1 period="$1.period" k
    local samples=(0 6270 11585 15137 16384 15137 11585 6270 0 -6270 -11585 -15137 -16384
        -15137 -11585 -6270)
    le16() { printf "\\$(printf %03o $(($1 & 255)))\\$(printf %03o $((($1 >> 8) & 255)))"; }
    le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }
    : >"$period"
    for k in "${samples[@]}"; do le16 "$k" >>"$period"; done
    for k in 1 2 3 4 5 6 7 8 9 10; do cat "$period" "$period" >"$period.2" && mv "$period.2" "$period"; done
    {
        printf 'RIFF'; le32 $((36 + 32000)); printf 'WAVEfmt '
        le32 16; le16 1; le16 1; le32 16000; le32 32000; le16 2; le16 16
        printf 'data'; le32 32000
        head -c 32000 "$period"
    } >"$out"
    rm -f "$period"
}

# Runs "$@" with the folders named in HIDE (a colon-separated list) replaced by
# empty ones, so that the command cannot read a file of the checkout. Returns 77
# when the system offers no private mount namespace to do that in.
run_hidden() {
    local unshare=(unshare --mount)
    [[ $(id -u) -eq 0 ]] || unshare=(unshare --mount --map-root-user)
    "${unshare[@]}" true 2>/dev/null || return 77
    HIDE_COMMAND_LINE=$(printf '%q ' "$@") "${unshare[@]}" bash -c '
        IFS=: read -ra folders <<<"$HIDE"
        for f in "${folders[@]}"; do
            # A folder inside one hidden before is gone already.
            [[ ! -d $f ]] || mount -t tmpfs none "$f" || exit 3
        done
        eval "exec $HIDE_COMMAND_LINE"'
}

# Checks that the program in $1 runs without any file of the checkout: its version,
# a sound file analysed (the 1 kHz tone is the loudest row), and its window started
# on the offscreen platform. Uses the scratch folder $2; HIDE names the checkout.
check_program_runs() {
    local zevrin=$1 scratch=$2 out rc
    mkdir -p "$scratch/home"
    write_tone "$scratch/tone.wav"
    export ZEVRIN_HOME="$scratch/home"
    rc=0
    out=$(run_hidden "$zevrin" --version) || rc=$?
    [[ $rc -ne 77 ]] || { echo "SKIP: no private mount namespace to hide the checkout in"; return 77; }
    [[ $rc -eq 0 && $out == "Zevrin $ZEVRIN_VERSION" ]] || fail "--version said '$out' (status $rc)"

    # The user guide that F1 opens is the one installed beside the program.
    local guide
    guide=$(cd "$(dirname "$zevrin")/../share/doc/zevrin" && pwd -P)/zevrin.html
    out=$(run_hidden "$zevrin" --help | tail -n 1)
    [[ $out == "The user guide (F1 in the window): $guide" ]] || fail "--help ends with '$out'"

    run_hidden "$zevrin" --analyse "$scratch/tone.wav" --bandwidth 100 --ltas \
        --csv "$scratch/tone.csv" 2>"$scratch/analyse.err" ||
        fail "--analyse failed: $(cat "$scratch/analyse.err")"
    [[ $(head -n 1 "$scratch/tone.csv") == "frequency_hz,Mono,Mono LTAS" ]] ||
        fail "--analyse wrote the header '$(head -n 1 "$scratch/tone.csv")'"
    local loudest
    loudest=$(tail -n +2 "$scratch/tone.csv" | sort -t, -k3 -g -r | sed -n "1s/,.*//p")
    [[ $loudest == 1000 ]] || fail "the loudest LTAS row of a 1 kHz tone is at $loudest Hz"

    # The window stays up until it is stopped: still running after two seconds.
    rc=0
    QT_QPA_PLATFORM=offscreen run_hidden timeout 2 "$zevrin" 2>"$scratch/window.err" || rc=$?
    [[ $rc -eq 124 ]] || fail "the window ended with status $rc: $(cat "$scratch/window.err")"
}
