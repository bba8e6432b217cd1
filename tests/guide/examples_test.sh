#!/usr/bin/env bash
# Runs every command-line example of the user guide and compares what it prints with
# what the guide shows; and checks that the guide explains every option that the
# program's help lists.
#
# An example is a block <pre class="example"> ... </pre>, the tags on lines of their
# own. Each line "<kbd>$ COMMAND</kbd>" in it is run by bash in one scratch folder, in
# the guide's order (a later command reads the files of an earlier one), with zevrin
# on the PATH, a private ZEVRIN_HOME and no display. The lines up to the next command
# are what it prints (standard output, then standard error); a line "..." there
# stands for any number of lines. A command must end with status 0: an example of a
# failure shows its status with "; echo ...".
# Usage: examples_test.sh ZEVRIN GUIDE_HTML
set -euo pipefail
zevrin=$(realpath "$1") guide=$2

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/bin" "$scratch/work" "$scratch/home" "$scratch/examples"
mkdir -m 700 "$scratch/runtime"
ln -s "$zevrin" "$scratch/bin/zevrin"

# The examples as files: N.cmd holds a command, N.out what the guide shows it prints.
awk -v out="$scratch/examples" '
    function text(s) {
        gsub(/<[^>]*>/, "", s)
        gsub(/&lt;/, "<", s); gsub(/&gt;/, ">", s); gsub(/&quot;/, "\"", s); gsub(/&amp;/, "\\&", s)
        return s
    }
    /<pre class="example">$/ { inside = 1; next }
    inside && /^<\/pre>/ { inside = 0; next }
    inside && /^<kbd>\$ .*<\/kbd>$/ {
        n++
        line = $0; sub(/^<kbd>\$ /, "", line); sub(/<\/kbd>$/, "", line)
        printf "%s\n", text(line) > (out "/" n ".cmd")
        printf "" > (out "/" n ".out")
        next
    }
    inside {
        if (!n) { print "an example starts with output: " $0 > "/dev/stderr"; exit 1 }
        print text($0) > (out "/" n ".out")
    }
' "$guide"
count=$(find "$scratch/examples" -name '*.cmd' | wc -l)
[[ $count -ge 10 ]] || fail "only $count command-line examples found in $guide"

# Does the output match the shown lines, with "..." for any run of lines?
matches() {
    awk '
        NR == FNR { want[++w] = $0; next }
        { got[++g] = $0 }
        END {
            j = 1
            for (i = 1; i <= w; i++) {
                if (want[i] == "...") {
                    if (i == w) { exit 0 }
                    while (j <= g && got[j] != want[i + 1]) { j++ }
                    continue
                }
                if (j > g || got[j] != want[i]) { exit 1 }
                j++
            }
            exit (j <= g)
        }
    ' "$1" "$2"
}

for ((k = 1; k <= count; k++)); do
    command=$(cat "$scratch/examples/$k.cmd")
    status=0
    (cd "$scratch/work" &&
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH="$scratch/bin:$PATH" \
            ZEVRIN_HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/runtime" LC_ALL=C.UTF-8 \
            bash -c "$command" \
            >"$scratch/stdout" 2>"$scratch/stderr") || status=$?
    cat "$scratch/stdout" "$scratch/stderr" >"$scratch/got"
    [[ $status -eq 0 ]] || fail "example $k ended with status $status: $command
$(cat "$scratch/got")"
    matches "$scratch/examples/$k.out" "$scratch/got" || fail "example $k prints otherwise: $command
--- the guide shows:
$(cat "$scratch/examples/$k.out")
--- it prints:
$(cat "$scratch/got")"
done
echo "$count examples give the output the guide shows"

# Every option of the three help texts stands in the guide as a word of its own.
options() { grep -oE -- '(^|[][ ,])(--?[a-z][a-z-]*|/\?)' | sed -E 's/^[][ ,]//' | sort -u; }
all=$({
    "$zevrin" --help
    "$zevrin" --analyse --help
    "$zevrin" --write-test-signal --help
} | options)
[[ $(wc -l <<<"$all") -ge 25 ]] || fail "too few options in the help texts: $all"
for option in $all; do
    grep -qE -- "(^|[^a-z-])$(sed 's/[?]/[?]/' <<<"$option")([^a-z-]|$)" "$guide" ||
        fail "the guide does not explain $option"
done
