#!/usr/bin/env bash
# The built user guide is whole: every address in it that is not on the web leads to
# a file of its folder (a picture that is a PNG image, a page) and every "#name" to
# an element of that page with that id; ids are unique.
# Usage: links_test.sh GUIDE_FOLDER
set -euo pipefail
folder=$1
guide="$folder/zevrin.html"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

[[ -f $guide ]] || fail "$guide is missing"
ids_of() { grep -oE '\bid="[^"]*"' "$1" | sed -E 's/^id="(.*)"$/\1/'; }
duplicates=$(ids_of "$guide" | sort | uniq -d)
[[ -z $duplicates ]] || fail "ids used twice: $duplicates"

checked=0 pictures=0
while read -r attribute; do
    address=$(sed -E 's/^(href|src)="(.*)"$/\2/' <<<"$attribute")
    case $address in
    http://* | https://* | mailto:*) continue ;;
    *:*) fail "an address of another kind: $address" ;;
    "" | /* | *..*) fail "an address outside the guide's folder: '$address'" ;;
    esac
    file=${address%%#*}
    target="$folder/${file:-zevrin.html}"
    [[ -f $target ]] || fail "$address leads to a missing file"
    if [[ $address == *#* ]]; then
        ids_of "$target" | grep -qxF -- "${address#*#}" || fail "$address leads to no element"
    fi
    if [[ $attribute == src=* ]]; then
        file -b "$target" | grep -q '^PNG image data, ' || fail "$address is $(file -b "$target")"
        pictures=$((pictures + 1))
    fi
    checked=$((checked + 1))
done < <(grep -oE '\b(href|src)="[^"]*"' "$guide")
[[ $pictures -ge 5 && $checked -ge 15 ]] || fail "only $checked addresses and $pictures pictures"
echo "$checked addresses, $pictures pictures: all there"
