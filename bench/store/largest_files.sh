#!/usr/bin/env bash
# What the largest store files that Zevrin accepts cost it: `zevrin --analyse` of one
# second of silence with the stored settings in a registry hive of 1 MiB (the most a
# hive may hold) of one key's values, of sibling keys, and of keys nested 512 levels
# deep, and with a settings file of 1 MiB; beside it the same run with no stored
# settings. Prints the wall time and the peak memory (/usr/bin/time) of each run.
# Usage: bench/store/largest_files.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
zevrin=${1:-$root/build}/src/app/zevrin
work=$(mktemp -d "${TMPDIR:-/tmp}/zevrin-largest.XXXXXX")
trap 'rm -rf "$work"' EXIT
limit=$((1024 * 1024))
hive_header=$'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\SoftWare\\MarvenData\\Zevrin\\Settings]\n"SampFreq"="16000"\n'

# Lines from standard input up to the limit, whole lines only.
up_to_limit() {
    head -c "$limit" | sed '$d'
}

{
    printf '%s' "$hive_header"
    seq 0 999999 | sed 's/.*/"value&"=dword:00000001/'
} | up_to_limit >"$work/values.reg" || true # the generator stops at the limit
{
    printf '%s' "$hive_header"
    seq 0 999999 | sed 's/.*/[HKEY_CURRENT_USER\\Software\\Many\\key&]/'
} | up_to_limit >"$work/keys.reg" || true # the generator stops at the limit
{
    printf '%s' "$hive_header"
    deep=$(printf '\\a%.0s' $(seq 1 510))
    seq 0 99999 | sed "s/.*/[HKEY_CURRENT_USER${deep//\\/\\\\}\\\\&]/"
} | up_to_limit >"$work/deep.reg" || true # the generator stops at the limit
{
    printf '[Settings]\nSampFreq=16000\n'
    seq 0 999999 | sed 's/.*/Key&=&/'
} | up_to_limit >"$work/large.zvr" || true # the generator stops at the limit

{
    printf 'RIFF\x24\x7d\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00'
    printf '\x80\x3e\x00\x00\x00\x7d\x00\x00\x02\x00\x10\x00data\x00\x7d\x00\x00'
    head -c 32000 /dev/zero
} >"$work/silence.wav"

# run NAME HIVE_OR_EMPTY MEASURED_FILE_OR_EMPTY [OPTIONS...]
run() {
    local name=$1 hive=$2 measured=$3
    shift 3
    rm -rf "$work/home"
    mkdir -p "$work/home/registry"
    if [[ -n "$hive" ]]; then
        cp "$hive" "$work/home/registry/HKEY_CURRENT_USER.reg"
    fi
    local size=0
    if [[ -n "$measured" ]]; then
        size=$(stat -c %s "$measured")
    fi
    ZEVRIN_HOME=$work/home /usr/bin/time -f "%e %M" -o "$work/time" \
        "$zevrin" --analyse "$work/silence.wav" --csv "$work/out.csv" "$@" 2>"$work/err" ||
        { cat "$work/err" >&2; return 1; }
    read -r seconds kb <"$work/time"
    printf '%-34s %8s bytes %6s s %7s MB\n' "$name" "$size" "$seconds" "$((kb / 1024))"
}

run "no stored settings" "" ""
run "hive: one key of values" "$work/values.reg" "$work/values.reg"
run "hive: sibling keys" "$work/keys.reg" "$work/keys.reg"
run "hive: keys 511 levels deep" "$work/deep.reg" "$work/deep.reg"
run "settings file of 1 MiB" "" "$work/large.zvr" --settings "$work/large.zvr"
