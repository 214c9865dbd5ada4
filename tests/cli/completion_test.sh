#!/bin/bash
# The bash completion of kitbinder-cli completes names with blanks as one quoted word, and finds
# the collections of a designer typed that way. Runs without bash-completion installed: the one
# helper it takes from there is stood in for, and so is kitbinder-cli's listing.
set -u
completion=$1
failures=0

_init_completion() {
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD
    cur=${words[cword]}
    prev=${words[cword - 1]}
}
kitbinder-cli() {
    printf '%s\n' "Anna" "  Coats" "    Duffle" "Anna Maria" "  Summer Coats" "    Trench" \
        "  Winter" "Bob"
}
# shellcheck source=/dev/null
source "$completion"

expect() {
    local what=$1 expected=$2
    shift 2
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _kitbinder_cli
    local got
    got=$(printf '%s|' "${COMPREPLY[@]}")
    if [[ $got != "$expected" ]]; then
        echo "FAIL: $what: got '$got', expected '$expected'"
        failures=$((failures + 1))
    fi
}

expect "designers" 'Anna|Anna\ Maria|' kitbinder-cli check An
expect "designer with a blank" 'Anna\ Maria|' kitbinder-cli check 'Anna\ M'
expect "collections of a quoted designer" 'Summer\ Coats|Winter|' kitbinder-cli build 'Anna\ Maria' ''
expect "collections of a designer in quotes" 'Summer\ Coats|' kitbinder-cli build '"Anna Maria"' S
expect "commands" 'check|' kitbinder-cli ch
exit $((failures > 0))
