#!/bin/bash
# End to end: the desktop program in a real X window. Clicks Load, types a
# capture's path into the chooser, ticks channels, clicks Print, confirms the
# Save dialog, then reads the PDF back with poppler's tools.
# Usage: e2e_desktop.sh ZELMAR MAKECAPTURE
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
    # -noreset: the server must not reset when its last client (an xdotool
    # query) leaves just as the program connects.
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" --inside "$@"
fi
shift
ZELMAR=$1
MAKECAPTURE=$2

WORK=$(mktemp -d /tmp/zelmar-e2e.XXXXXX)
APP=""
cleanup() {
    [ -n "$APP" ] && kill "$APP" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

"$MAKECAPTURE" serial "$WORK/bus.csv"
export HOME="$WORK" XDG_RUNTIME_DIR="$WORK"
unset QT_QPA_PLATFORM

# Window id of the visible window whose title matches; waits up to 20 s.
window() {
    local id=""
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    fail "no window \"$1\""
}

# Waits until no visible window's title matches, up to 20 s.
gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.2
    done
    fail "window \"$1\" stayed open"
}

# Clicks the point of a window given in twips of its design; the window's
# width in pixels against its design width gives the scale.
click() {
    local id=$1 designwidth=$2 x=$3 y=$4 width
    width=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
    xdotool mousemove --window "$id" $((x * width / designwidth)) $((y * width / designwidth))
    sleep 0.2
    xdotool click 1
    sleep 0.3
}

"$ZELMAR" &
APP=$!
MAIN=$(window "^ZELMAR CSV to PDF \\(11x17 @ 1200 DPI\\)$")
sleep 0.5

click "$MAIN" 5160 607 217            # Load
CHOOSER=$(window "^Select Zelmar CSV file$")
sleep 0.5
click "$CHOOSER" 4410 1087 435        # the file-name box
xdotool type --delay 20 "${WORK#/}/bus.csv"
click "$CHOOSER" 4410 1110 5385       # OK
gone "^Select Zelmar CSV file$"

for k in 0 1 2 3; do                  # CS#, SCLK, MOSI, MISO
    click "$MAIN" 5160 1840 $((960 + 300 * k + 127))
done
# For the README: E2E_SCREENSHOTS=DIR keeps a picture of the window.
if [ -n "${E2E_SCREENSHOTS:-}" ]; then
    import -window "$MAIN" "$E2E_SCREENSHOTS/main.png"
fi
click "$MAIN" 5160 2587 3787          # Print

SAVE=$(window "^Save PDF$")
sleep 0.5
xdotool mousemove --window "$SAVE" 40 40
xdotool key Return

for _ in $(seq 100); do
    [ -s "$WORK/bus.pdf" ] && break
    sleep 0.2
done
[ -s "$WORK/bus.pdf" ] || fail "no PDF was written"
kill -0 "$APP" || fail "the program ended"

info=$(pdfinfo "$WORK/bus.pdf")
grep -q "^Pages: *1$" <<<"$info" || fail "not one page: $info"
grep -q "^Page size: *1224 x 792 pts" <<<"$info" || fail "not 11 x 17 landscape: $info"

text=$(pdftotext -layout "$WORK/bus.pdf" -)
for want in "ZelmarProgramVersion 2.31" "Captured 2024-03-19 16:05:12" "CS#" "SCLK" "MOSI" "MISO" \
            "Tick frequency:10 samples @ 100ns/sample =1000ns"; do
    grep -qF -- "$want" <<<"$text" || fail "\"$want\" is not on the page"
done
for absent in "WP#" "HOLD#"; do
    grep -qF -- "$absent" <<<"$text" && fail "unticked channel \"$absent\" was printed"
done

echo "1 passed, 0 failed"
