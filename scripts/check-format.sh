#!/bin/sh
# Fails when a .cpp or .h file of the sources differs from what .clang-format
# makes of it, naming the places. Changes nothing. In a git checkout the
# files are the tracked ones; elsewhere (an unpacked archive) every one in
# the tree but build trees (folders with a CMakeCache.txt) and hidden
# folders. Finding no file at all fails too: a check of nothing is no pass.
#   sh scripts/check-format.sh [source root]
set -eu
cd "${1:-$(dirname "$0")/..}"
command -v clang-format >/dev/null || { echo "check-format: clang-format not found" >&2; exit 2; }
list=$(mktemp)
trap 'rm -f "$list"' EXIT
if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ]; then
    git ls-files -z '*.cpp' '*.h' >"$list"
else
    find . -type d \( -name '.?*' -o -exec test -f '{}/CMakeCache.txt' \; \) -prune \
        -o -type f \( -name '*.cpp' -o -name '*.h' \) -print0 >"$list"
fi
if [ ! -s "$list" ]; then
    echo "check-format: no .cpp or .h file found in $(pwd)" >&2
    exit 1
fi
if ! xargs -0 clang-format --style=file --dry-run --Werror <"$list"; then
    echo "check-format: files differ from .clang-format (clang-format -i FILE fixes one)" >&2
    exit 1
fi
