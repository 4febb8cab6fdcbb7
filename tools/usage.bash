#!/usr/bin/env bash
# Sourced by the scripts of scripts/ and tools/, before they do any work. A
# script's usage is its header, the comment after its #! line: what it does,
# its options and arguments, and an example.
#
#   source "$(dirname "$0")/../tools/usage.bash" && usage_help "$@"
#
# usage_help ARG...: -h or --help prints the usage and exits 0; any other ARG
# starting with "-" is refused unless it is a word of usage_options (set it
# first: usage_options="--all --verbose"). Pass it only the script's own
# arguments ("${1:-}" when the rest are another program's). usage_none ARG...:
# the same, and refuses any argument. usage_error MESSAGE: "NAME: MESSAGE"
# and the usage on standard error, exit status 2.
usage_script=$(realpath "$0")
usage_text() { sed -n '2,${/^#/!q;s/^# \{0,1\}//;p}' "$usage_script"; }
usage_error() {
    printf '%s: %s\n\n%s\n' "${usage_script##*/}" "$1" "$(usage_text)" >&2
    exit 2
}
usage_help() {
    local arg
    for arg; do
        case $arg in
        -h | --help) usage_text; exit 0 ;;
        -*) [[ " ${usage_options-} " == *" $arg "* ]] || usage_error "unknown option $arg" ;;
        esac
    done
}
usage_none() { usage_help "$@"; [ $# = 0 ] || usage_error "takes no arguments, not $1"; }
