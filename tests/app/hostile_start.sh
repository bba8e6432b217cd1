#!/usr/bin/env bash
# The program itself on stored settings that an attacker or a damaged disk left: a
# registry file of keys nested 200,000 levels deep and values out of every range, and a
# settings file of the same values. `zevrin --analyse` warns about each value and
# analyses with the defaults; the window starts on that registry and is still up when
# it is stopped. Under the sanitizers (.ci/run) a report fails it as well.
# Usage: hostile_start.sh ZEVRIN_PROGRAM
set -euo pipefail
zevrin=${1:?the zevrin program}
home=$(mktemp -d "${TMPDIR:-/tmp}/zevrin-hostile.XXXXXX")
trap 'rm -rf "$home"' EXIT
export ZEVRIN_HOME=$home
mkdir -p "$home/registry"

fail() {
    echo "hostile_start: $*" >&2
    exit 1
}
no_sanitizer_report() {
    ! grep -qE "AddressSanitizer|LeakSanitizer|runtime error:" "$1" || fail "$2: $(cat "$1")"
}

values='"SampFreq"="1e300"
"Bandwidth"="1e-300"
"SLTASPoints"="1073741824"
"UseSLTAS"="1"
"PartialsPerOctave"="2147483647"
"DecayTime"="nan"'
{
    echo "Windows Registry Editor Version 5.00"
    printf '\n[HKEY_CURRENT_USER'
    for ((i = 0; i < 20000; ++i)); do printf '\\a\\a\\a\\a\\a\\a\\a\\a\\a\\a'; done
    printf ']\n"deep"="1"\n\n[HKEY_CURRENT_USER\\SoftWare\\MarvenData\\Zevrin\\Settings]\n'
    echo "$values"
} >"$home/registry/HKEY_CURRENT_USER.reg"
sed -e 's/^"\([^"]*\)"="\([^"]*\)"$/\1=\2/' <<<"$values" | sed '1i [Settings]' >"$home/bad.zvr"

# One second of silence at 8000 Hz, 16-bit mono.
wav=$home/silence.wav
{
    printf 'RIFF\xa4\x3e\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00'
    printf '\x40\x1f\x00\x00\x80\x3e\x00\x00\x02\x00\x10\x00data\x80\x3e\x00\x00'
    head -c 16000 /dev/zero
} >"$wav"

for settings in "" "$home/bad.zvr"; do
    args=(--analyse "$wav" --csv "$home/out.csv")
    [[ -n "$settings" ]] && args+=(--settings "$settings")
    status=0
    "$zevrin" "${args[@]}" 2>"$home/err" || status=$?
    no_sanitizer_report "$home/err" "--analyse ${settings:-on the registry}"
    [[ $status -eq 0 ]] || fail "--analyse ${settings:-on the registry} ended with $status: $(cat "$home/err")"
    grep -q "SLTASPoints must be a power of two from 16 to 32768, not 1073741824; 4096 is used" \
        "$home/err" || fail "no warning for SLTASPoints: $(cat "$home/err")"
    grep -q "(4096 points)" "$home/err" || fail "not the default points: $(cat "$home/err")"
done

# The window on the offscreen platform: still up when stopped after five seconds
# (timeout's 124), not ended by a crash or a sanitizer.
status=0
QT_QPA_PLATFORM=offscreen timeout 5 "$zevrin" 2>"$home/err" || status=$?
no_sanitizer_report "$home/err" "the window"
[[ $status -eq 124 ]] || fail "the window ended with $status before it was stopped: $(cat "$home/err")"
echo "hostile_start: --analyse warned and analysed; the window started"
