#!/bin/sh
# Times batch conversion: 200 varied captures in one call against 200 calls,
# pages per second at 1 and 2 jobs, a 200-page combined PDF, and PNG at 150
# and 1200 dpi. Each figure is the best of RUNS runs; memory is the peak
# resident size of that run, CPU its user and system time. On a shared
# machine compare CPU time too: wall time then depends on the neighbours.
#   scripts/bench-batch.sh [path/to/zelmar-pdf]     (default build/app/zelmar-pdf)
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
converter=${1:-$here/build/app/zelmar-pdf}
count=${COUNT:-200}
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[ -x "$converter" ] || { echo "no converter at $converter: build it first (make build)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }

python3 "$here/scripts/make-captures.py" "$work/captures" "$count"
set -- "$work"/captures/*.csv
worst=$(ls "$work"/captures/*worst.csv | head -n 1)

# best LABEL PAGES COMMAND...: best wall time of $runs runs, its peak memory.
best() {
    label=$1 pages=$2
    shift 2
    bestline=""
    i=0
    while [ "$i" -lt "$runs" ]; do
        rm -rf "$work/out" && mkdir "$work/out"
        /usr/bin/time -f "%e %M %U %S" -o "$work/time" "$@" >/dev/null
        line=$(cat "$work/time")
        if [ -z "$bestline" ] || [ "$(echo "$line $bestline" | awk '{print ($1 < $5)}')" = 1 ]; then
            bestline=$line
        fi
        i=$((i + 1))
    done
    echo "$bestline" | awk -v label="$label" -v pages="$pages" \
        '{ printf "%-44s %7.2f s %7.1f pages/s %7.1f MB peak %7.2f s CPU\n", label, $1, pages / ($1 > 0 ? $1 : 0.01), $2 / 1024, $3 + $4 }'
}

echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
echo "$count captures, best of $runs runs"
best "one call, --jobs 1" "$count" "$converter" "$@" --output-dir "$work/out" --jobs 1
best "one call, --jobs 2" "$count" "$converter" "$@" --output-dir "$work/out" --jobs 2
best "$count single calls (a shell loop)" "$count" sh -c '
    converter=$1 out=$2
    shift 2
    for capture in "$@"; do "$converter" "$capture" -o "$out/$(basename "$capture" .csv).pdf"; done
' sh "$converter" "$work/out" "$@"
best "one call, --combine, --jobs 2" "$count" "$converter" "$@" --combine "$work/out/all.pdf" --jobs 2
best "one call, --format svg, --jobs 2" "$count" "$converter" "$@" --format svg --output-dir "$work/out" --jobs 2
best "one call, --format png (150 dpi), --jobs 2" "$count" "$converter" "$@" --format png --output-dir "$work/out" --jobs 2
best "densest page, PNG at 150 dpi" 1 "$converter" "$worst" --format png --dpi 150 -o "$work/out/w.png"
best "densest page, PNG at 1200 dpi" 1 "$converter" "$worst" --format png --dpi 1200 -o "$work/out/w.png"
best "densest page, PDF" 1 "$converter" "$worst" -o "$work/out/w.pdf"
# The alternative a user would write: one Python process drawing the same
# pages with matplotlib (sh scripts/install-deps.sh bench installs it).
if /usr/bin/python3 -c "import matplotlib" 2>/dev/null; then
    best "matplotlib loop, one Python process" "$count" \
        /usr/bin/python3 "$here/scripts/matplotlib_page.py" --out-dir "$work/out" "$@"
fi
