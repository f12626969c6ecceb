#!/usr/bin/env bash
# bash completion for krcmd, driven the way readline drives it: the command
# line split into COMP_WORDS at blanks and at the word breaks '=' and ':'.
#   krcmd_completion_test.sh COMPLETION_FILE KRCMD
set -uo pipefail
completion=$1 krcmd=$2
# shellcheck source=/dev/null
source "$completion"
failures=0

# complete LINE: COMPREPLY for the cursor at the end of LINE, sorted, one line.
complete_line() {
    local line=$1
    COMP_WORDS=()
    # The split readline makes: blanks separate words, '=' and ':' are words
    # of their own; a line ending in a blank completes an empty word.
    local rest=$line word=
    while [ -n "$rest" ]; do
        local c=${rest:0:1}
        rest=${rest:1}
        case $c in
            ' ') [ -n "$word" ] && COMP_WORDS+=("$word"); word= ;;
            '=' | ':') [ -n "$word" ] && COMP_WORDS+=("$word"); COMP_WORDS+=("$c"); word= ;;
            *) word+=$c ;;
        esac
    done
    COMP_WORDS+=("$word")
    # '=' or ':' right at the end is itself the current word.
    if [ -z "$word" ] && [[ $line == *[=:] ]]; then unset 'COMP_WORDS[-1]'; fi
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    _krcmd krcmd "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]:-}" 2>/dev/null
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
}

expect() {
    local line=$1 want=$2 got
    got=$(complete_line "$line")
    if [ "$got" != "$want" ]; then
        echo "FAIL: '$line' -> '$got', expected '$want'"
        failures=$((failures + 1))
    fi
}

# Long options anywhere, and the values of --format in both spellings.
expect 'krcmd --' '-- --format= --help --interval= --version --wait --wait='
expect 'krcmd --f' '--format='
expect 'krcmd --format=' 'csv json text'
expect 'krcmd --format=j' 'json'
expect 'krcmd --format ' 'csv json text'
expect 'krcmd F:\DATA\*.* /s --format=c' 'csv'
expect 'krcmd --wait=' ''
expect 'krcmd --interval ' ''
# /d and /e only first; the scan options only second and third.
expect 'krcmd /' '/d /e'
expect 'krcmd --format=csv /' '/d /e'
expect 'krcmd F:\DATA\*.* /' '/c /m: /o /p /s'
expect 'krcmd F:\DATA\*.* /s /m' '/m:'
expect 'krcmd --wait F:\DATA\*.* /s /' '/c /m: /o /p /s'
expect 'krcmd F:\DATA\*.* /s /p /' ''
expect 'krcmd /d /' ''
expect 'krcmd F:\DATA\*.* /m:"Hello" /' '/c /m: /o /p /s'
# After "--" nothing is a long option.
expect 'krcmd -- --' ''
expect 'krcmd -- F:\DATA\*.* /' '/c /m: /o /p /s'

# Every long option krcmd itself lists is offered.
offered=$(complete_line 'krcmd --')
for option in $("$krcmd" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    case " $offered " in
        *" $option "* | *" $option= "*) ;;
        *) echo "FAIL: krcmd --help lists $option, the completion does not offer it"
           failures=$((failures + 1)) ;;
    esac
done

[ "$failures" -eq 0 ] && echo "krcmd completion: all cases pass"
exit $((failures > 0))
