#!/bin/sh
# Cost of one converter call for a busy page (every channel changes at every
# sample, a tick at every sample) and the example captures: instructions
# (callgrind, steady on a shared machine), wall-time median of RUNS runs
# (hyperfine) and PDF size. With MATPLOTLIB=N, also the same page drawn by
# matplotlib for N varied captures in one Python process.
#
#   sh scripts/install-deps.sh bench     once
#   sh scripts/bench-page.sh [zelmar-pdf]
#   RUNS=30 MATPLOTLIB=200 sh scripts/bench-page.sh build/app/zelmar-pdf
set -eu

here=$(cd "$(dirname "$0")" && pwd)
converter=$(realpath "${1:-$here/../build/app/zelmar-pdf}")
runs=${RUNS:-30}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Debian's Python, where python3-matplotlib is installed.
python=/usr/bin/python3

$python "$here/make-captures.py" "$work/set" 8
busy=$(ls "$work"/set/*worst.csv | head -n 1)
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); load:$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-28s %14s %10s %10s\n' page instructions "wall ms" "PDF bytes"

measure() {   # name, capture, extra options...
    name=$1 capture=$2
    shift 2
    out="$work/page.pdf"
    instructions=-
    if command -v valgrind >/dev/null; then
        instructions=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null \
            "$converter" "$capture" -o "$out" "$@" 2>&1 | sed -n 's/.*refs: *//p' | tr -d ,)
    fi
    wall=-
    if command -v hyperfine >/dev/null; then
        hyperfine -N -w 3 -r "$runs" --export-json "$work/h.json" \
            "$converter $capture -o $out $*" >/dev/null 2>&1
        wall=$($python -c "import json,sys; print('%.1f' % (1000 * json.load(open(sys.argv[1]))['results'][0]['median']))" "$work/h.json")
    fi
    "$converter" "$capture" -o "$out" "$@"
    printf '%-28s %14s %10s %10s\n' "$name" "$instructions" "$wall" "$(wc -c <"$out")"
}

measure "busy, tick every sample" "$busy" --tick-marks 1
for example in "$here"/../examples/*.csv; do
    measure "$(basename "$example" .csv)" "$example"
done
if command -v hyperfine >/dev/null; then
    hyperfine -N -w 3 -r "$runs" --export-json "$work/h.json" "$converter --version" >/dev/null 2>&1
    printf '%-28s %14s %10s\n' "--version (start-up)" \
        "$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$converter" --version 2>&1 | sed -n 's/.*refs: *//p' | tr -d ,)" \
        "$($python -c "import json,sys; print('%.1f' % (1000 * json.load(open(sys.argv[1]))['results'][0]['median']))" "$work/h.json")"
fi

if [ -n "${MATPLOTLIB:-}" ]; then
    $python "$here/make-captures.py" "$work/varied" "$MATPLOTLIB"
    $python "$here/matplotlib_page.py" --out-dir "$work/mpl" "$work"/varied/*.csv
    start=$(date +%s%N)
    for capture in "$work"/varied/*.csv; do
        "$converter" "$capture" -o "$work/zelmar.pdf"
    done
    end=$(date +%s%N)
    echo "zelmar-pdf: $MATPLOTLIB single calls, $(( (end - start) / 1000000 / MATPLOTLIB )) ms per page"
fi
