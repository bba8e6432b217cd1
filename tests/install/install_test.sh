#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks what a desktop reads there, and
# runs the installed program with the checkout hidden.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR APP_ID VERSION
set -euo pipefail
build=$1 source=$2 id=$3
export ZEVRIN_VERSION=$4
. "$source/tests/install/common.sh"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

# Every file, and nothing of the tests or the libraries.
while read -r file; do
    [[ -f "$prefix/$file" ]] || fail "$file is not installed"
done < <(installed_files "$id")
extra=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort | comm -23 - <(installed_files "$id" | sort))
[[ -z $extra ]] || fail "installed beyond the program and its desktop files: $extra"
[[ -x "$prefix/bin/zevrin" ]] || fail "bin/zevrin is not executable"

# What desktops, software centres and man read, as their own tools check it.
desktop-file-validate "$prefix/share/applications/$id.desktop" ||
    fail "desktop-file-validate found faults"
[[ -z $(desktop-file-validate "$prefix/share/applications/$id.desktop") ]] ||
    fail "desktop-file-validate has remarks"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >"$scratch/appstream.txt" ||
    fail "appstreamcli: $(cat "$scratch/appstream.txt")"
grep -q "<image>https://" "$prefix/share/metainfo/$id.metainfo.xml" || fail "no screenshot in the metadata"
man_warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/zevrin.1.gz" 2>&1 >/dev/null)
[[ -z $man_warnings ]] || fail "man: $man_warnings"

# Settings files: the MIME database built from the installed XML knows them, and
# the desktop entry opens them with the program, one file at a time.
mkdir -p "$scratch/mime/packages"
cp "$prefix/share/mime/packages/$id.xml" "$scratch/mime/packages/"
XDG_DATA_HOME="$scratch" update-mime-database "$scratch/mime" 2>"$scratch/mime.err" || fail "update-mime-database: $(cat "$scratch/mime.err")"
[[ ! -s "$scratch/mime.err" ]] || fail "update-mime-database: $(cat "$scratch/mime.err")"
grep -qx '50:application/x-zevrin-settings:\*\.zvr' "$scratch/mime/globs2" ||
    fail "*.zvr is not application/x-zevrin-settings: $(cat "$scratch/mime/globs2")"
entry="$prefix/share/applications/$id.desktop"
grep -qx 'MimeType=application/x-zevrin-settings;' "$entry" || fail "the desktop entry takes no settings files"
grep -qx 'Exec=zevrin %f' "$entry" || fail "the desktop entry does not pass the file: $(grep ^Exec= "$entry")"
grep -qx "Icon=$id" "$entry" || fail "the desktop entry names another icon"

# Each PNG has the size of its folder.
for png in "$prefix"/share/icons/hicolor/*x*/apps/"$id.png"; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    file -b "$png" | grep -q "^PNG image data, ${size/x/ x }," || fail "$png is $(file -b "$png")"
done

export HIDE="$source:$build"
check_program_runs "$prefix/bin/zevrin" "$scratch/run"
