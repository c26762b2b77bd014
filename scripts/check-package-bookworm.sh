#!/bin/bash
# One-off check of the Debian package on a bare Debian 12: debootstraps a
# minimal root (kept for the next run), installs the package there with apt,
# converts an example with zelmar-pdf, and starts zelmar on the same capture
# under Xvfb, prints it and keeps a screenshot. Slow; not part of `make test`.
# Usage (as root): scripts/check-package-bookworm.sh [DEB] [ROOT] [SCREENSHOT.png]
# Needs debootstrap, xvfb, xdotool, poppler-utils, and x11-apps and netpbm for
# the screenshot.
set -euo pipefail
HERE=$(cd "$(dirname "$0")/.." && pwd)
DEB=${1:-$(ls "$HERE"/build/zelmar_*.deb | tail -1)}
ROOT=${2:-/tmp/zelmar-bookworm}
SHOT=${3:-$PWD/zelmar-bookworm.png}
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "run as root (debootstrap and chroot)"

# The Debian mirror apt already uses.
MIRROR=${MIRROR:-$(grep -rhoE '(URIs:|deb) +https?://[^ ]*/debian/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d 2>/dev/null \
                   | awk '{print $2}' | head -1 || true)}
MIRROR=${MIRROR:-http://deb.debian.org/debian}
if [ ! -x "$ROOT/usr/bin/apt-get" ]; then
    echo "debootstrap from $MIRROR into $ROOT"
    debootstrap --variant=minbase bookworm "$ROOT" "$MIRROR" >/dev/null
fi
cp /etc/resolv.conf "$ROOT/etc/resolv.conf"
in_root() { chroot "$ROOT" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

cp "$DEB" "$ROOT/tmp/zelmar.deb"
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ./tmp/zelmar.deb >/dev/null
in_root dpkg -s zelmar | grep -E "^(Version|Installed-Size):"
echo "packages in the root: $(in_root dpkg-query -W | wc -l)"

cp "$HERE/examples/serial.csv" "$ROOT/tmp/bus.csv"
rm -f "$ROOT/tmp/bus.pdf" "$ROOT/tmp/converted.pdf"
in_root sh -c 'cd /tmp && zelmar-pdf --version && zelmar-pdf bus.csv -o converted.pdf --channels 0-3'
pdfinfo "$ROOT/tmp/converted.pdf" | grep -E "^(Pages|Page size):"
pdftotext -layout "$ROOT/tmp/converted.pdf" - | grep -qF "ZelmarProgramVersion 2.31" || fail "converter page"
echo "zelmar-pdf: page written"

# The desktop program on the same display socket: Xvfb's abstract socket is
# reachable from the chroot, which shares the network namespace.
DISPLAY_NUMBER=97
while [ -e "/tmp/.X$DISPLAY_NUMBER-lock" ]; do DISPLAY_NUMBER=$((DISPLAY_NUMBER + 1)); done
Xvfb ":$DISPLAY_NUMBER" -screen 0 1280x1024x24 -ac -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
APP=""
stop() {
    if [ -n "$APP" ]; then kill "$APP" 2>/dev/null || true; wait "$APP" 2>/dev/null || true; fi
    kill "$XVFB" 2>/dev/null || true
}
trap stop EXIT
export DISPLAY=":$DISPLAY_NUMBER"
sleep 1
mkdir -p -m 700 "$ROOT/tmp/runtime"
# Not through in_root: $! must be the program itself.
chroot "$ROOT" env -i PATH=/usr/bin:/bin HOME=/root LANG=C.UTF-8 DISPLAY="$DISPLAY" \
    XDG_RUNTIME_DIR=/tmp/runtime sh -c 'cd /tmp && exec zelmar bus.csv' &
APP=$!
for _ in $(seq 100); do
    MAIN=$(xdotool search --onlyvisible --name "^ZELMAR CSV to PDF" 2>/dev/null | head -1 || true)
    [ -n "$MAIN" ] && break
    sleep 0.2
done
[ -n "$MAIN" ] || fail "no window"
sleep 1
width=$(xdotool getwindowgeometry "$MAIN" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
at() { xdotool mousemove --window "$MAIN" $(($1 * width / 5160)) $(($2 * width / 5160)); sleep 0.2; xdotool click 1; sleep 0.5; }
at 847 1117                            # All
if command -v xwd >/dev/null && command -v pnmtopng >/dev/null; then
    xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "$SHOT"
    echo "screenshot: $SHOT"
fi
at 2587 3787                           # Print
for _ in $(seq 50); do
    SAVE=$(xdotool search --onlyvisible --name "^Save PDF$" 2>/dev/null | head -1 || true)
    [ -n "$SAVE" ] && break
    sleep 0.2
done
[ -n "$SAVE" ] || fail "no Save dialog"
sleep 0.5
xdotool mousemove --window "$SAVE" 40 40
xdotool key Return                     # Save, as proposed
for _ in $(seq 50); do [ -s "$ROOT/tmp/bus.pdf" ] && break; sleep 0.2; done
[ -s "$ROOT/tmp/bus.pdf" ] || fail "zelmar wrote no PDF"
pdftotext -layout "$ROOT/tmp/bus.pdf" - | grep -qF "HOLD#" || fail "zelmar's page lacks the names"
echo "zelmar: page written beside the capture"
