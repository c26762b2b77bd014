#!/bin/bash
# End to end: the live preview in a real X window. Opens a capture, ticks
# every channel, opens the preview with Alt+V, checks that its drawing follows
# None in the main window, that zooming by keys keeps the heading in view and
# Ctrl + wheel zooms about the pointer, then saves a PDF from the preview by
# keyboard and reads it back with poppler's tools. Then sets A4, a range
# over pages and the fill layout and adds a bus in the preview, prints from
# the main window with Ctrl+P and reads that PDF back; Copy in the preview
# puts the drawing alone on the clipboard, read by xclip; Reset brings the
# main window back as it was. A marker is placed, dragged, named (Print has
# it) and deleted. SPI is decoded through the decoder panel and Print has
# its bytes. Escape closes the preview.
# Usage: e2e_preview.sh ZELMAR MAKECAPTURE
set -euo pipefail

. "$(dirname "$0")/e2e_window.sh"
shift
ZELMAR=$1
MAKECAPTURE=$2

# The preview is expected beside the main window while other windows are awaited.
BESIDE_MAIN='^Preview — '

# The picture of a window once its drawing has settled.
shot() {
    sleep 1
    import -window "$1" "$2"
}

mkdir "$WORK/captures"
"$MAKECAPTURE" serial "$WORK/captures/bus.csv"

"$ZELMAR" "$WORK/captures/bus.csv" &
APP=$!
MAIN=$(window "^ZELMAR CSV to PDF \\(11x17 @ 1200 DPI\\)$")
sleep 0.5
xdotool windowmove "$MAIN" 0 0
click "$MAIN" 5160 787 1137           # All

xdotool key alt+v
PREVIEW=$(window "^Preview — bus\\.csv$")
# Beside the main window, so that neither hides the other.
xdotool windowsize "$PREVIEW" 860 760
xdotool windowmove "$PREVIEW" 400 0
shot "$PREVIEW" "$WORK/all.png"

click "$MAIN" 5160 847 1477           # None
shot "$PREVIEW" "$WORK/none.png"
changed=$(compare -metric AE "$WORK/all.png" "$WORK/none.png" null: 2>&1 || true)
[ "${changed%% *}" -gt 1000 ] 2>/dev/null \
    || fail "the preview did not follow None: $changed pixels changed"

click "$MAIN" 5160 787 1137           # All again
shot "$PREVIEW" "$WORK/again.png"
same=$(compare -metric AE "$WORK/all.png" "$WORK/again.png" null: 2>&1 || true)
[ "${same%% *}" = 0 ] || fail "the preview differs after All again: $same pixels"

# Zoom keeps the heading and the names in view: + zooms about the
# drawing's top-left corner, Ctrl + wheel about the pointer. Measured on the
# page view (where the desk is at fit, less room for the scroll bars) as the
# box around the black pixels of a picture made black and white:
# "LEFT TOP RIGHT BOTTOM".
box() {
    convert "$@" -bordercolor white -border 1 -format '%@\n' info: \
        | sed -E 's/^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$/\3 \4 \1 \2/' \
        | { read -r x y w h; echo $((x - 1)) $((y - 1)) $((x - 1 + w)) $((y - 1 + h)); }
}
dark() { box "$1" -crop "$VIEW" +repage -colorspace gray -threshold 40%; }
# (Specks of the desk's grey in antialiased text are left out.)
read -r vx vy vr vb < <(box "$WORK/all.png" -fill white +opaque "#808080" -fill black \
    -opaque "#808080" -morphology Dilate Square:2)
VIEW="$((vr - vx - 20))x$((vb - vy - 20))+$vx+$vy"
read -r fx fy fr fb < <(dark "$WORK/all.png")
xdotool windowactivate --sync "$PREVIEW" 2>/dev/null || xdotool windowfocus --sync "$PREVIEW"
xdotool key plus plus plus
shot "$PREVIEW" "$WORK/zoomed.png"
read -r zx zy zr zb < <(dark "$WORK/zoomed.png")
# The heading's corner with blank paper above and left of it, where it was
# (or further left: the page centred at fit has room either side that a page
# wider than the view cannot keep).
[ "$zx" -gt 5 ] && [ "$zy" -gt 5 ] && [ $((zx - fx)) -lt 40 ] \
    && [ $((zy - fy)) -lt 40 ] && [ $((fy - zy)) -lt 40 ] && [ "$zb" -gt $((fb + 100)) ] \
    || fail "three + presses lost the heading: drawn from $zx,$zy to $zr,$zb (at fit $fx,$fy to $fr,$fb)"
xdotool key alt+f
sleep 0.5
# The pointer on the lowest trace: there it stays.
xdotool mousemove --window "$PREVIEW" $((vx + (fx + fr) / 2)) $((vy + fb - 1))
for _ in 1 2 3; do
    xdotool keydown ctrl click 4 keyup ctrl
    sleep 0.3
done
shot "$PREVIEW" "$WORK/wheeled.png"
read -r wx wy wr wb < <(dark "$WORK/wheeled.png")
[ $((wb - fb)) -lt 10 ] && [ $((fb - wb)) -lt 10 ] && [ "$wy" -lt $((fy - 10)) ] \
    || fail "Ctrl + wheel did not zoom about the pointer: drawn down to $wb, the pointer at $fb"
xdotool key alt+f

# Save as by keyboard: Ctrl+S, a name typed over the proposal, Return.
xdotool windowactivate --sync "$PREVIEW" 2>/dev/null || xdotool windowfocus --sync "$PREVIEW"
xdotool key ctrl+s
DIALOG=$(window "^Save As$")
sleep 0.5
xdotool key ctrl+a
xdotool type --delay 20 "$WORK/captures/from-preview.pdf"
xdotool key Return
PDF=$WORK/captures/from-preview.pdf
written "$PDF" "^Save As$"
gone "^Save As$"

info=$(pdfinfo "$PDF")
grep -q "^Pages: *1$" <<<"$info" || fail "not one page: $info"
text=$(pdftotext -layout "$PDF" -)
for want in "ZelmarProgramVersion 2.31" "CS#" "SCLK" "HOLD#" "CH15"; do
    grep -qF -- "$want" <<<"$text" || fail "\"$want\" is not on the page"
done

# The preview's page options are Print's: A4, samples 600 to 900 on 3 pages
# set in the preview, then Ctrl+P in the main window. Meanwhile the main
# window says so above Print, and nothing else in it changes.
focus() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"; }
focus "$PREVIEW"
shot "$MAIN" "$WORK/main-designed.png"
# (A pause after each, as a person's: a loaded machine redraws in between.)
xdotool key alt+r Down Down && sleep 0.5  # paper: tabloid, a3, a4
xdotool key alt+m ctrl+a && xdotool type --delay 20 600 && xdotool key Return && sleep 0.5
xdotool key alt+t ctrl+a && xdotool type --delay 20 900 && xdotool key Return && sleep 0.5
xdotool key alt+g ctrl+a && xdotool type --delay 20 3 && xdotool key Return && sleep 0.5
xdotool key alt+y Down && sleep 0.5       # layout: sheet, fill
# A bus of channels 3 to 0, named and added by keyboard.
xdotool key alt+n && xdotool type --delay 20 NIBBLE
xdotool key alt+h && xdotool type --delay 20 3-0 && xdotool key Return
shot "$MAIN" "$WORK/main-options.png"
read -r cx cy cr cb < <(box "$WORK/main-designed.png" "$WORK/main-options.png" \
    -compose difference -composite -compose over -colorspace gray -threshold 0 -negate)
width=$(identify -format %w "$WORK/main-options.png")
[ "$cr" -gt "$cx" ] && [ "$cx" -ge $((1740 * width / 5160)) ] \
    && [ "$cy" -ge $((3315 * width / 5160)) ] && [ "$cb" -le $((3540 * width / 5160 + 1)) ] \
    || fail "the summary is not (only) above Print: the window changed from $cx,$cy to $cr,$cb"

focus "$MAIN"
xdotool key ctrl+p
PDF=$WORK/captures/bus.pdf
save "$PDF"
sizes=$(pdfinfo -f 1 -l 3 "$PDF" | grep -c "size: *841\.89 x 595\.2" || true)
grep -q "^Pages: *3$" < <(pdfinfo "$PDF") && [ "$sizes" = 3 ] \
    || fail "Print did not make 3 pages on A4: $(pdfinfo -f 1 -l 3 "$PDF")"
grep -qF "samples 600" < <(pdftotext -f 1 -l 1 "$PDF" -) \
    && grep -qF "900" < <(pdftotext -f 3 -l 3 "$PDF" -) \
    || fail "Print's pages are not samples 600 to 900: $(pdftotext "$PDF" - | grep samples)"
[ "$(pdftotext "$PDF" - | grep -c "^NIBBLE$")" = 3 ] || fail "the bus is not on Print's 3 pages"
# Laid out on the paper: the heading half an inch in, at 12 points.
grep -m1 "<word " < <(pdftotext -bbox -f 1 -l 1 "$PDF" -) | grep -q 'xMin="36\.0*" yMin="37\.' \
    || fail "Print's page is not laid out on A4: $(pdftotext -bbox -f 1 -l 1 "$PDF" - | grep -m1 word)"

# Copy, pasted elsewhere: the drawing with an eighth of an inch (19 pixels
# at 150 dpi) round it, not the whole A4 paper (1754 x 1240), and an SVG too.
# By the button's key: Ctrl+C would copy from the bus editor's field.
focus "$PREVIEW"
xdotool key alt+c
sleep 0.5
xclip -selection clipboard -t TARGETS -o | grep -qx "image/svg+xml" \
    || fail "Copy offers no SVG: $(xclip -selection clipboard -t TARGETS -o | tr '\n' ' ')"
xclip -selection clipboard -t image/png -o >"$WORK/copied.png"
read -r pw ph < <(identify -format '%w %h\n' "$WORK/copied.png")
read -r kx ky kr kb < <(box "$WORK/copied.png" -colorspace gray -threshold 60%)
[ "$pw" -lt 1754 ] && [ "$ph" -lt 1240 ] && [ "$pw" -gt 1000 ] \
    && [ "$kx" -ge 15 ] && [ "$kx" -le 40 ] && [ "$ky" -ge 15 ] && [ "$ky" -le 40 ] \
    && [ $((pw - kr)) -ge 15 ] && [ $((pw - kr)) -le 40 ] \
    && [ $((ph - kb)) -ge 15 ] && [ $((ph - kb)) -le 40 ] \
    || fail "Copy is not the drawing alone: $pw x $ph, drawn from $kx,$ky to $kr,$kb"

# Reset in the preview: the designed page again, and the main window as it was.
focus "$PREVIEW"
xdotool key alt+e
shot "$MAIN" "$WORK/main-reset.png"
same=$(compare -metric AE "$WORK/main-designed.png" "$WORK/main-reset.png" null: 2>&1 || true)
[ "${same%% *}" = 0 ] || fail "the main window differs after Reset: $same pixels"

# Markers: a click on the lowest trace (no edge there) puts one under the
# pointer, a drag moves it with the pointer, a name typed in the field is
# printed by the main window's Print, and Delete takes it away. Its line is
# found in the picture by its blue, its label right of it: "LINE" in the
# view, or "" for none.
marker() {
    convert "$1" -crop "$VIEW" +repage -fuzz 25% -fill red -opaque "#0046c8" \
        -fill white +opaque red -format '%@\n' info: 2>/dev/null \
        | sed -nE 's/^([0-9]+)x[0-9]+\+([0-9]+)\+[0-9]+$/\2 \1/p' \
        | { read -r x w; [ "$w" -ge 1 ] && [ "$w" -lt 20 ] && echo "$x"; } || true
}
focus "$PREVIEW"
px=$((vx + (fx + fr) / 2)) py=$((vy + fb - 3))
xdotool mousemove --window "$PREVIEW" $px $py click 1
shot "$PREVIEW" "$WORK/marker.png"
read -r ml < <(marker "$WORK/marker.png") || fail "no marker after a click"
[ $((vx + ml - px)) -le 2 ] && [ $((px - vx - ml)) -le 2 ] \
    || fail "the marker is at $((vx + ml)), the click at $px"
xdotool mousemove --window "$PREVIEW" $px $py mousedown 1 sleep 0.2 \
    mousemove --window "$PREVIEW" $((px + 30)) $py sleep 0.2 \
    mousemove --window "$PREVIEW" $((px + 60)) $py sleep 0.2 mouseup 1
shot "$PREVIEW" "$WORK/dragged.png"
read -r dl < <(marker "$WORK/dragged.png") || fail "no marker after a drag"
[ $((dl - ml - 60)) -le 2 ] && [ $((ml + 60 - dl)) -le 2 ] \
    || fail "dragged 60 pixels, the marker moved $((dl - ml))"
xdotool key alt+k && xdotool type --delay 20 "ack" && xdotool key Tab
focus "$MAIN"
PDF=$WORK/captures/bus.pdf
rm -f "$PDF"
xdotool key ctrl+p
save "$PDF"
grep -qx "ack" < <(pdftotext "$PDF" - | tr -s ' ' '\n') || fail "Print has no marker \"ack\""
focus "$PREVIEW"
xdotool mousemove --window "$PREVIEW" $((vx + dl)) $py click 1 key Delete
shot "$PREVIEW" "$WORK/deleted.png"
[ -z "$(marker "$WORK/deleted.png")" ] || fail "the marker stayed after Delete"

# The decoder panel by keyboard, on the designed page again (Reset): find
# spi, give it the clock (the other channels match by name), show it on the
# page; the main window's Print has its rows and bytes. (Not where decoding
# was built without libsigrokdecode.)
decoders=$("$(dirname "$ZELMAR")/zelmar-pdf" --list-decoders 2>/dev/null || true)
if grep -q "^spi " <<<"$decoders"; then
    xdotool key alt+e && sleep 0.5
    xdotool key alt+o && sleep 2 # the list loads off the window's thread
    xdotool key alt+i && xdotool type --delay 30 "spi — Serial" && sleep 1
    xdotool key Down Return && sleep 1
    xdotool key Tab 1 && sleep 0.5 # clock: channel 1, SCLK
    xdotool key alt+w && sleep 2
    focus "$MAIN"
    rm -f "$PDF"
    xdotool key ctrl+p
    save "$PDF"
    # (The heading says "read ID (9F) answer EF 40 18 SPI mode 0" too: the rows
    # add a word each.)
    words=$(pdftotext "$PDF" - | tr -s ' ' '\n')
    for want in "SPI 3" "MOSI 2" "MISO 2" "9F 1" "EF 2" "40 2" "18 2"; do
        [ "$(grep -cx -- "${want% *}" <<<"$words")" -ge "${want#* }" ] \
            || fail "Print has no decoded \"${want% *}\": $(pdftotext "$PDF" - | grep -A2 SPI)"
    done
    focus "$PREVIEW"
fi

# For the README: E2E_SCREENSHOTS=DIR keeps a picture of the preview, and of
# the main window with page options set.
if [ -n "${E2E_SCREENSHOTS:-}" ]; then
    cp "$WORK/all.png" "$E2E_SCREENSHOTS/preview.png"
    cp "$WORK/main-options.png" "$E2E_SCREENSHOTS/main-options.png"
fi

xdotool windowactivate --sync "$PREVIEW" 2>/dev/null || xdotool windowfocus --sync "$PREVIEW"
xdotool key Escape
gone "^Preview — "
kill -0 "$APP" || fail "the program ended with the preview"

echo "1 passed, 0 failed"
