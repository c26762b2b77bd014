#!/bin/sh
# scripts/check-format.sh outside a git checkout, as in an unpacked archive:
# it finds the sources itself, passes over build trees and hidden folders,
# and fails on a file that differs or when it finds none.
# Usage: check_format_outside_git.sh SOURCE_DIR
set -eu
src=$1
work=$(mktemp -d /tmp/zelmar-format.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; cat "$work/log" >&2; exit 1; }
check() { sh "$src/scripts/check-format.sh" "$work/tree" >"$work/log" 2>&1; }

mkdir "$work/tree"
cp -r "$src/.clang-format" "$src/util" "$work/tree/"
for folder in build .cache; do
    mkdir "$work/tree/$folder"
    printf 'int  generated ;\n' >"$work/tree/$folder/moc_generated.cpp"
done
touch "$work/tree/build/CMakeCache.txt"
check || fail "the sources as laid out, or a build tree, were refused"

printf 'int  x ;\n' >>"$work/tree/util/numbers.cpp"
if check; then fail "a file that differs passed"; fi
grep -q "numbers.cpp" "$work/log" || fail "the file that differs is not named"

find "$work/tree/util" -name '*.cpp' -delete
find "$work/tree/util" -name '*.h' -delete
if check; then fail "a tree without sources passed"; fi
echo "format check good outside git"
