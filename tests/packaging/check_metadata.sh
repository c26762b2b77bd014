#!/bin/bash
# The desktop entry, the AppStream metadata and the manual pages, through the
# validators their readers trust.
# Usage: check_metadata.sh PACKAGING_BUILD_DIR APP_ID ZELMAR_PDF
set -euo pipefail
DIR=$1
ID=$2
CONVERTER=$3
failed=0
run() {
    local out
    if ! out=$("$@" 2>&1); then
        echo "FAIL: $*"; echo "$out"; failed=1
    elif [ -n "$out" ] && [ "$1" = groff ]; then
        echo "FAIL: $* warns:"; echo "$out"; failed=1
    fi
}
run desktop-file-validate "$DIR/$ID.desktop"
run appstreamcli validate --no-net --pedantic "$DIR/$ID.metainfo.xml"
for page in "$DIR"/man/*.1; do
    run groff -man -ww -z "$page"
done
# The converter's manual page keeps up with its options.
for option in $("$CONVERTER" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    [ "$option" = --help-all ] && continue
    grep -qF -- "${option//-/\\-}" "$DIR/man/zelmar-pdf.1" \
        || { echo "FAIL: zelmar-pdf.1 does not describe $option"; failed=1; }
done
[ "$failed" = 0 ] && echo "metadata valid"
exit $failed
