#!/bin/bash
# The Debian package: built by CPack, its control fields, its files, and
# lintian's verdict.
# Usage: check_package.sh BUILD_DIR VERSION APP_ID
set -euo pipefail
BUILD=$1
VERSION=$2
ID=$3
WORK=$(mktemp -d /tmp/zelmar-package.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB -B "$WORK" --config "$BUILD/CPackConfig.cmake" >"$WORK/cpack.log" 2>&1 \
    || { cat "$WORK/cpack.log"; fail "cpack"; }
DEB=$WORK/zelmar_${VERSION}_$(dpkg --print-architecture).deb
[ -f "$DEB" ] || fail "no $(basename "$DEB"): $(ls "$WORK")"
echo "$(basename "$DEB"): $(stat -c %s "$DEB") bytes"

control=$(dpkg-deb -f "$DEB")
for field in "Package: zelmar" "Version: $VERSION" "Section: electronics" "Maintainer: " \
             "Description: " "Homepage: "; do
    grep -q "^$field" <<<"$control" || fail "no \"$field\" in the control file: $control"
done
depends=$(dpkg-deb -f "$DEB" Depends)
for lib in fonts-dejavu-core fonts-liberation2 libqt6gui6 libqt6widgets6 libc6; do
    grep -qE "(^|, )$lib( |,|$)" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

files=$(dpkg-deb -c "$DEB" | awk '{print $1, $6}')
for f in usr/bin/zelmar usr/bin/zelmar-pdf usr/share/applications/$ID.desktop \
         usr/share/metainfo/$ID.metainfo.xml usr/share/icons/hicolor/scalable/apps/$ID.svg \
         usr/share/man/man1/zelmar.1.gz usr/share/man/man1/zelmar-pdf.1.gz \
         usr/share/bash-completion/completions/zelmar-pdf \
         usr/share/doc/zelmar/copyright usr/share/doc/zelmar/changelog.gz; do
    grep -q " \./$f$" <<<"$files" || fail "$f is not in the package"
done
grep -q "^-rwxr-xr-x ./usr/bin/zelmar$" <<<"$files" || fail "usr/bin/zelmar permissions"
grep -qvE "^(drwxr-xr-x|-rw-r--r--|-rwxr-xr-x) " <<<"$files" && fail "odd permissions: $files"

dpkg-deb -x "$DEB" "$WORK/root"
for b in zelmar zelmar-pdf; do
    ! readelf -S "$WORK/root/usr/bin/$b" | grep -q "\.debug_info" || fail "usr/bin/$b is not stripped"
done

# Errors fail the test; warnings are shown.
lintian --fail-on error --no-tag-display-limit "$DEB" || fail "lintian reports errors"
echo "package good"
