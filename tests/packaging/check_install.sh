#!/bin/bash
# An install into a fresh prefix: every file in its place, and the installed
# converter printing an example from a folder that is neither tree.
# Usage: check_install.sh BUILD_DIR EXAMPLES_DIR APP_ID
set -euo pipefail
BUILD=$1
EXAMPLES=$2
ID=$3
WORK=$(mktemp -d /tmp/zelmar-install.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

P=$WORK/prefix
cmake --install "$BUILD" --prefix "$P" >/dev/null
for f in bin/zelmar bin/zelmar-pdf \
         share/applications/$ID.desktop share/metainfo/$ID.metainfo.xml \
         share/icons/hicolor/scalable/apps/$ID.svg share/icons/hicolor/48x48/apps/$ID.png \
         share/man/man1/zelmar.1.gz share/man/man1/zelmar-pdf.1.gz \
         share/bash-completion/completions/zelmar-pdf \
         share/doc/zelmar/copyright share/doc/zelmar/changelog.gz; do
    [ -s "$P/$f" ] || fail "$f is not installed"
done
for b in zelmar zelmar-pdf; do
    [ -x "$P/bin/$b" ] || fail "bin/$b is not executable"
    ! readelf -d "$P/bin/$b" | grep -qE 'R(UN)?PATH' || fail "bin/$b keeps a library path"
done
png=$(od -An -tu1 -j16 -N8 "$P/share/icons/hicolor/48x48/apps/$ID.png" | tr -s ' ')
[ "$png" = " 0 0 0 48 0 0 0 48" ] || fail "the 48x48 icon is not 48 x 48:$png"

# The completion bash-completion would load from there completes the
# installed program.
bash "$(dirname "$0")/check_completion.sh" "$P/share/bash-completion/completions/zelmar-pdf" \
    "$P/bin/zelmar-pdf" >/dev/null || fail "the installed completion"

# A folder of its own, away from the source and build trees.
mkdir "$WORK/elsewhere"
cp "$EXAMPLES/serial.csv" "$WORK/elsewhere/bus.csv"
cd "$WORK/elsewhere"
unset QT_QPA_PLATFORM
"$P/bin/zelmar-pdf" --version | grep -qx "zelmar-pdf [0-9.]*" || fail "zelmar-pdf --version"
QT_QPA_PLATFORM=offscreen "$P/bin/zelmar" --version | grep -qx "zelmar [0-9.]*" || fail "zelmar --version"
"$P/bin/zelmar-pdf" bus.csv -o bus.pdf --channels 0-3 --tick-marks 16 --resolution 250 --unit us

info=$(pdfinfo bus.pdf)
grep -q "^Pages: *1$" <<<"$info" || fail "not one page: $info"
grep -q "^Page size: *1224 x 792 pts" <<<"$info" || fail "not 11 x 17 landscape: $info"
text=$(pdftotext -layout bus.pdf -)
for want in "ZelmarProgramVersion 2.31" "CS#" "SCLK" "MOSI" "MISO" \
            "Tick frequency:16 samples @ 250us/sample =4000us"; do
    grep -qF -- "$want" <<<"$text" || fail "\"$want\" is not on the page"
done
grep -qF "WP#" <<<"$text" && fail "channel 4 was printed"
echo "install tree good"
