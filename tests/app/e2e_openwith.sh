#!/bin/bash
# End to end: `zelmar CAPTURE` as a file manager starts it. The capture named
# on the command line (relative to the current folder) must be loaded as Load
# loads it: Print then proposes the PDF beside it and prints its heading and
# names. A link to a device is refused with a fault report, never read.
# Usage: e2e_openwith.sh ZELMAR MAKECAPTURE
set -euo pipefail

. "$(dirname "$0")/e2e_window.sh"
shift
ZELMAR=$1
MAKECAPTURE=$2

mkdir "$WORK/captures"
"$MAKECAPTURE" serial "$WORK/captures/bus.csv"

cd "$WORK"
"$ZELMAR" captures/bus.csv &
APP=$!
MAIN=$(window "^ZELMAR CSV to PDF \\(11x17 @ 1200 DPI\\)$")
sleep 0.5
click "$MAIN" 5160 787 1137           # All
click "$MAIN" 5160 2587 3787          # Print

PDF=$WORK/captures/bus.pdf
save "$PDF"

text=$(pdftotext -layout "$PDF" -)
for want in "ZelmarProgramVersion 2.31" "Captured 2024-03-19 16:05:12" "CS#" "SCLK" "HOLD#" "CH15"; do
    grep -qF -- "$want" <<<"$text" || fail "\"$want\" is not on the page"
done
grep -qF "Channel 0" <<<"$text" && fail "the page has the default names"

# A link to a device is refused with a report instead of being read for ever.
kill "$APP"
wait "$APP" 2>/dev/null || true
ln -s /dev/ptmx captures/device.csv
"$ZELMAR" captures/device.csv &
APP=$!
REPORT=$(window "^Load failed$")
sleep 0.5
xdotool mousemove --window "$REPORT" 40 40
xdotool key Return
gone "^Load failed$"
window "^ZELMAR CSV to PDF" >/dev/null

echo "1 passed, 0 failed"
