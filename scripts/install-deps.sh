#!/bin/sh
# Installs the Debian packages the build, the tests and the program need.
# As root it runs apt-get; otherwise it prints the exact command to run.
# With the argument "fuzz" it adds what `make fuzz` needs (clang and libFuzzer).
set -eu

PACKAGES="cmake make g++ qt6-base-dev libgl-dev fonts-dejavu-core fonts-liberation2 \
poppler-utils xvfb xauth xdotool x11-utils"
FUZZ_PACKAGES="clang-14 libclang-rt-14-dev"

[ "${1:-}" = fuzz ] && PACKAGES="$PACKAGES $FUZZ_PACKAGES"

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
