#!/bin/bash
# End to end: the desktop program in a real X window. Clicks Load, types a
# capture's path into the chooser, ticks channels, clicks Print, confirms the
# Save dialog, then reads the PDF back with poppler's tools.
# Usage: e2e_desktop.sh ZELMAR MAKECAPTURE
set -euo pipefail

. "$(dirname "$0")/e2e_window.sh"
shift
ZELMAR=$1
MAKECAPTURE=$2

"$MAKECAPTURE" serial "$WORK/bus.csv"

"$ZELMAR" &
APP=$!
MAIN=$(window "^ZELMAR CSV to PDF \\(11x17 @ 1200 DPI\\)$")
sleep 0.5

# The window carries the program's icon, drawn for the small sizes too:
# _NET_WM_ICON holds width, height and the pixels of each size in turn.
read -ra icon <<<"$(xprop -id "$MAIN" -notype 32c _NET_WM_ICON | sed 's/^[^=]*= *//; s/,/ /g')"
sizes=""
for ((i = 0; i + 1 < ${#icon[@]}; i += 2 + icon[i] * icon[i + 1])); do
    sizes+=" ${icon[i]}x${icon[i + 1]}"
done
for size in 16x16 24x24 48x48; do
    [[ "$sizes " == *" $size "* ]] || fail "the window icon has no $size picture (has:$sizes)"
done

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

save "$WORK/bus.pdf"

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
