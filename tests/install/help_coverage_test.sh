#!/usr/bin/env bash
# The manual page and the bash completion know every option of each form of the
# command line: those "zevrin --help" lists, and those of the usage lines of
# "zevrin --analyse --help" and "zevrin --write-test-signal --help".
# Usage: help_coverage_test.sh ZEVRIN MANUAL_PAGE COMPLETION
set -euo pipefail
zevrin=$1 manual=$2 completion=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

options() { grep -oE -- '(^|[][ ,])(--?[a-z][a-z-]*|/\?)' | sed -E 's/^[][ ,]//' | sort -u; }
# The option that starts each entry of the main help (its descriptions and the
# arguments of --write-test-signal are not options of the window's command line).
main_options=$("$zevrin" --help | grep -oE '^  (-[a-z], )?(--[a-z][a-z-]*|/\?)' | options)
usage_options() { "$zevrin" "$1" --help | awk '/^Usage:/ && !seen++' | options | grep -vx -- "$1"; }
analyse_options=$(usage_options --analyse)
signal_options=$(usage_options --write-test-signal)
[[ $(wc -l <<<"$main_options") -ge 6 && $(wc -l <<<"$analyse_options") -ge 12 &&
    $(wc -l <<<"$signal_options") -ge 6 ]] ||
    fail "too few options found in the help: $main_options $analyse_options $signal_options"

# The page as man shows it: every option stands there as a word of its own.
page=$(LC_ALL=C.UTF-8 MANWIDTH=200 MANROFFOPT=-rHY=0 man -l "$manual" 2>/dev/null | col -bx)
for option in $main_options $analyse_options $signal_options; do
    grep -qE -- "(^|[][ ,|])$(sed 's/[?]/[?]/' <<<"$option")([][ ,|]|$)" <<<"$page" ||
        fail "the manual page does not mention $option"
done
grep -q "^EXIT STATUS" <<<"$page" || fail "the manual page has no exit status"
for name in ZEVRIN_HOME HKEY_CURRENT_USER.reg .zvr; do
    grep -qF "$name" <<<"$page" || fail "the manual page does not name $name"
done

# Completing "--" offers the long options of each form of the command line.
. "$completion"
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _zevrin
    printf '%s\n' "${COMPREPLY[@]}" | sort -u
}
want=$(grep -- '^--' <<<"$main_options")
got=$(complete_words zevrin --)
[[ $got == "$want" ]] || fail "completing 'zevrin --' offers $(echo $got), --help lists $(echo $want)"
want=$(grep -- '^--' <<<"$analyse_options")
got=$(complete_words zevrin --analyse tone.wav --)
[[ $got == "$want" ]] ||
    fail "completing 'zevrin --analyse FILE --' offers $(echo $got), --analyse --help lists $(echo $want)"
want=$(grep -- '^--' <<<"$signal_options")
got=$(complete_words zevrin --write-test-signal out.wav --)
[[ $got == "$want" ]] ||
    fail "completing 'zevrin --write-test-signal OUT --' offers $(echo $got), its help lists $(echo $want)"
