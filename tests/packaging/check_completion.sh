#!/bin/bash
# The bash completion of zelmar-pdf: it loads in a plain bash, registers for
# the program, and completes options, their values and file names; the
# options and papers it offers are the ones the program's --help lists.
# Usage: check_completion.sh COMPLETION_FILE ZELMAR_PDF
set -euo pipefail
COMPLETION=$1
PROGRAM=$2
WORK=$(mktemp -d /tmp/zelmar-completion.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# shellcheck source=/dev/null
source "$COMPLETION" || fail "it does not load"
registered=$(complete -p zelmar-pdf) || fail "nothing is registered for zelmar-pdf"
function=$(sed -n 's/.* -F \([^ ]*\) .*/\1/p' <<<"$registered")
[[ $registered == *"-o default"* ]] || fail "no file names when it offers nothing: $registered"

# What a TAB after WORDS... offers, sorted on one line; the last word is the
# one being completed. The line is split at "=" as bash splits it.
offers() {
    COMP_WORDS=(zelmar-pdf "$@")
    COMP_CWORD=$#
    COMP_LINE="zelmar-pdf $*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    "$function" zelmar-pdf "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | paste -sd ' ' -
}
expect() {
    local want=$1
    shift
    local got
    got=$(offers "$@")
    [[ $got == "$want" ]] || fail "zelmar-pdf $* <TAB>: \"$got\", not \"$want\""
}

export LC_ALL=C
options=$("$PROGRAM" --help | grep -oE '^ +(-[a-z], )?--[a-z-]+' | sed 's/.*--/--/' | sort |
    paste -sd ' ' -)
refusal=$("$PROGRAM" x.csv --paper none 2>&1 || true) # "unknown paper "none": use tabloid, ..."
papers=$(sed -n 's/.*: use //p' <<<"$refusal" | tr -d ',' | tr ' ' '\n' | sort | paste -sd ' ' -)
refusal=$("$PROGRAM" x.csv --layout none 2>&1 || true)
layouts=$(sed -n 's/.*: use //p' <<<"$refusal" | tr -d ',' | tr ' ' '\n' | sort | paste -sd ' ' -)
[[ -n $options && -n $papers && -n $layouts ]] ||
    fail "cannot read the options, papers and layouts from zelmar-pdf"

expect "$options" --
expect "--pages --paper" --pa
expect "--pages --paper" run.csv --pa
expect "--tick-marks" --time-axis --ti
expect "--output-dir" -o a.pdf --output
expect "$papers" --paper ""
expect "$papers" --paper =
expect "legal letter" --paper = le
expect "--paper=a3 --paper=a4" --paper=a
expect "$layouts" --layout ""
expect "pdf png svg vcd" --format ""
expect "all none" --channels ""
expect "ms none ns us" --unit ""
expect "" --pages ""
# Decoder ids come from the program as typed, found on the PATH.
if "$PROGRAM" --list-decoders >/dev/null 2>&1; then
    PATH=$(dirname "$PROGRAM"):$PATH expect "uart" --decode uar
    PATH=$(dirname "$PROGRAM"):$PATH expect "--decoder-help=i2c --decoder-help=i2cdemux --decoder-help=i2cfilter" \
        --decoder-help=i2c
    expect "" --decode uart:
fi
expect "--marker" --marker 10 --mar

cd "$WORK"
mkdir runs "old runs"
touch run.csv RUN2.CSV notes.txt
expect "RUN2.CSV old runs run.csv runs" ""
expect "run.csv runs" r
expect "" n # no capture there: readline offers every file
expect "" -o ""
expect "old runs runs" --output-dir ""
expect "RUN2.CSV old runs run.csv runs" -- ""
echo "completion good"
