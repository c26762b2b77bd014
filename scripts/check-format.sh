#!/bin/sh
# Fails when a tracked .cpp or .h file differs from what .clang-format makes
# of it, naming the places. Changes nothing.
#   sh scripts/check-format.sh [source root]
set -eu
cd "${1:-$(dirname "$0")/..}"
command -v clang-format >/dev/null || { echo "check-format: clang-format not found" >&2; exit 2; }
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --style=file --dry-run --Werror; then
    echo "check-format: files differ from .clang-format (clang-format -i FILE fixes one)" >&2
    exit 1
fi
