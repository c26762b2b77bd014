#!/bin/bash
# The desktop entry, the AppStream metadata and the manual pages, through the
# validators their readers trust.
# Usage: check_metadata.sh PACKAGING_BUILD_DIR APP_ID
set -euo pipefail
DIR=$1
ID=$2
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
[ "$failed" = 0 ] && echo "metadata valid"
exit $failed
