#!/bin/sh
# Writes a fixed set of documents made by a converter into FOLDER, so that two
# builds can be compared byte for byte (`cmp`, `diff -r`) after a change that
# must not alter any page: every example as PDF, SVG, PNG and VCD, with and
# without the page options, a binder, and a busy page.
#
#   sh scripts/reference-documents.sh FOLDER [zelmar-pdf]
#   sh scripts/reference-documents.sh /tmp/before old/build/app/zelmar-pdf
#   sh scripts/reference-documents.sh /tmp/after && diff -r /tmp/before /tmp/after
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out=$1
converter=$(realpath "${2:-$here/../build/app/zelmar-pdf}")
examples="$here/../examples"
mkdir -p "$out"
export SOURCE_DATE_EPOCH=1700000000 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen

# A capture where every channel changes at every sample, with odd names.
busy="$out/busy.csv"
{
    printf 'ZelmarProgramVersion,2.31\r\nbusy page\r\n"a, b"\r\nlast\r\n'
    printf 'CLK,CS#,D0,D1,D2,D3,D4,D5,D6,D7,a.b,"x y",Ω,,P14,P15\r\n'
    awk 'BEGIN { for (r = 0; r < 2048; r++) { line = ""; for (c = 0; c < 16; c++)
        line = line (c ? "," : "") ((r + c) % 2); printf "%s\r\n", line } }'
} >"$busy"

run() { # name, capture, options...
    name=$1 capture=$2
    shift 2
    "$converter" "$capture" "$@" -o "$out/$name" 2>"$out/$name.err" || echo "exit $?" >>"$out/$name.err"
}

for e in counter serial steady; do
    c="$examples/$e.csv"
    for f in pdf svg png vcd; do
        run "$e.$f" "$c"
    done
    run "$e-opts.pdf" "$c" --samples 600-900 --pages 3 --time-axis --paper a4
    run "$e-opts.svg" "$c" --samples 600-900 --pages 3 --time-axis --paper letter
    run "$e-opts.png" "$c" --samples 100-1100 --pages 2 --time-axis --dpi 72
    run "$e-opts.vcd" "$c" --samples 10-500 --channels 0-3 --resolution 2.5 --unit us
    run "$e-noticks.pdf" "$c" --no-tick-marks --channels 1,3,5 --heading 'Ω heading'
done
run busy.pdf "$busy" --tick-marks 1
run busy.svg "$busy" --tick-marks 1 --time-axis --paper legal
run busy.png "$busy" --tick-marks 1 --dpi 300
run busy.vcd "$busy"
"$converter" "$examples"/*.csv "$busy" --combine "$out/binder.pdf" --paper a3 --time-axis \
    2>"$out/binder.err" || echo "exit $?" >>"$out/binder.err"
rm -f "$busy"
# Only the messages of runs that said something are kept.
find "$out" -name '*.err' -empty -delete
ls "$out" | wc -l
