#!/bin/sh
# Installs the Debian packages the build, the tests and the program need.
# As root it runs apt-get; otherwise it prints the exact command to run.
#   sh scripts/install-deps.sh          what building and testing need
#   sh scripts/install-deps.sh bench    also what the benchmarks compare with
#   sh scripts/install-deps.sh fuzz     also what `make fuzz` needs (clang and libFuzzer)
set -eu

PACKAGES="cmake make g++ qt6-base-dev libgl-dev fonts-dejavu-core fonts-liberation2 \
poppler-utils qpdf xvfb xauth xdotool x11-utils qt6-svg-dev libpng-dev \
librsvg2-bin desktop-file-utils appstream groff-base dpkg-dev lintian ccache libxml2-utils clang-format"
# The PDF's line stream is packed with libdeflate: three times zlib's speed.
PACKAGES="$PACKAGES libdeflate-dev pkg-config"
# The end-to-end tests take and compare window pictures; the PDF tests need a
# fallback font for CJK text and OpenType fonts with CFF outlines.
PACKAGES="$PACKAGES imagemagick fonts-droid-fallback fonts-urw-base35"
# The preview's end-to-end test reads what Copy put on the clipboard, as another program would.
PACKAGES="$PACKAGES xclip"
# Protocol decoding runs the sigrok project's decoders through libsigrokdecode;
# its tests compare with what sigrok-cli decodes from the same samples.
PACKAGES="$PACKAGES libsigrokdecode-dev sigrok-cli python3"

case "${1:-}" in
    # Only scripts/bench-page.sh and bench-batch.sh use these: instruction
    # counts, wall times and the matplotlib page they are measured against.
    bench) PACKAGES="$PACKAGES valgrind hyperfine python3-matplotlib python3-numpy time" ;;
    fuzz) PACKAGES="$PACKAGES clang-14 libclang-rt-14-dev" ;;
esac

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing
else
    echo "Missing Debian packages. Run:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y$missing" >&2
    exit 1
fi
