#!/usr/bin/env bash
# Builds the Debian package with CPack, checks its fields, its files and lintian's
# verdict, unpacks it into a temporary root and runs the program from there with
# the checkout hidden.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR APP_ID VERSION
set -euo pipefail
build=$1 source=$2 id=$3
export ZEVRIN_VERSION=$4
. "$source/tests/install/common.sh"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$scratch" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) ||
    fail "cpack: $(cat "$scratch/cpack.log")"
deb="$scratch/out/zevrin_${ZEVRIN_VERSION}_$(dpkg --print-architecture).deb"
[[ -f $deb ]] || fail "no $(basename "$deb"); cpack wrote: $(ls "$scratch/out")"

# The run-time libraries come from the binary, with the versions its symbols need.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6gui6 libqt6core6 libportaudio2 libsndfile1 libasound2 libc6; do
    [[ $depends =~ (^|, )$library( |,|$) ]] || fail "Depends lacks $library: $depends"
done
[[ $depends =~ libc6\ \(\>=\ [0-9.]+\) ]] || fail "Depends has no version for libc6: $depends"
[[ $(dpkg-deb -f "$deb" Description | sed -n 1p) == "real-time audio spectrum analyser" ]] ||
    fail "Description: $(dpkg-deb -f "$deb" Description | sed -n 1p)"
(($(dpkg-deb -f "$deb" Description | wc -l) > 3)) || fail "the description has no long part"

# A new version comes with its entry in the changelog.
changelog=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/zevrin/changelog.gz | gzip -d)
[[ $(dpkg-parsechangelog -l - -S Version <<<"$changelog") == "$ZEVRIN_VERSION" ]] ||
    fail "the changelog's latest entry is not version $ZEVRIN_VERSION"

# Everything that the desktop needs is in the package, below /usr.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' >"$scratch/contents"
while read -r file; do
    grep -qx "usr/$file" "$scratch/contents" || fail "the package lacks /usr/$file"
done < <(installed_files "$id")

# lintian: no errors (warnings and remarks are shown, not fatal).
lintian --fail-on error --tag-display-limit 0 "$deb" >"$scratch/lintian.txt" 2>&1 ||
    fail "lintian: $(cat "$scratch/lintian.txt")"
cat "$scratch/lintian.txt"

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
export HIDE="$source:$build"
check_program_runs "$root/usr/bin/zevrin" "$scratch/run"
