#!/bin/bash
# End to end: `zelmar CAPTURE` as a file manager starts it. The capture named
# on the command line (relative to the current folder) must be loaded as Load
# loads it: Print then proposes the PDF beside it and prints its heading and
# names.
# Usage: e2e_openwith.sh ZELMAR MAKECAPTURE
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" --inside "$@"
fi
shift
ZELMAR=$1
MAKECAPTURE=$2

WORK=$(mktemp -d /tmp/zelmar-openwith.XXXXXX)
APP=""
cleanup() {
    [ -n "$APP" ] && kill "$APP" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$WORK/captures"
"$MAKECAPTURE" serial "$WORK/captures/bus.csv"
export HOME="$WORK" XDG_RUNTIME_DIR="$WORK"
unset QT_QPA_PLATFORM

window() {
    local id=""
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    fail "no window \"$1\""
}

# Clicks a point given in twips of the window's design (5160 twips wide).
click() {
    local id=$1 x=$2 y=$3 width
    width=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
    xdotool mousemove --window "$id" $((x * width / 5160)) $((y * width / 5160))
    sleep 0.2
    xdotool click 1
    sleep 0.3
}

cd "$WORK"
"$ZELMAR" captures/bus.csv &
APP=$!
MAIN=$(window "^ZELMAR CSV to PDF \\(11x17 @ 1200 DPI\\)$")
sleep 0.5
click "$MAIN" 787 1137                # All
click "$MAIN" 2587 3787               # Print

SAVE=$(window "^Save PDF$")
sleep 0.5
xdotool mousemove --window "$SAVE" 40 40
xdotool key Return

PDF=$WORK/captures/bus.pdf
for _ in $(seq 100); do
    [ -s "$PDF" ] && break
    sleep 0.2
done
[ -s "$PDF" ] || fail "no PDF beside the capture: $(ls -R "$WORK")"
kill -0 "$APP" || fail "the program ended"

text=$(pdftotext -layout "$PDF" -)
for want in "ZelmarProgramVersion 2.31" "Captured 2024-03-19 16:05:12" "CS#" "SCLK" "HOLD#" "CH15"; do
    grep -qF -- "$want" <<<"$text" || fail "\"$want\" is not on the page"
done
grep -qF "Channel 0" <<<"$text" && fail "the page has the default names"

echo "1 passed, 0 failed"
