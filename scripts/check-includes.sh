#!/bin/sh
# Fails when a project #include crosses the layers: each folder may include
# only the folders listed for it (its own included), and none of those
# marked "!" within them. Headers are included from the project root, so the
# link targets alone would not catch this.
#   sh scripts/check-includes.sh [source root]
set -eu
cd "${1:-$(dirname "$0")/..}"

# folder (longest first where folders nest) : folders it may include
rules='
printing/page: printing/page capture util
printing/output: printing/output printing/page capture util
printing/printers: printing/printers printing/output printing/page util
printing: printing capture util
capture/decode: capture/decode capture util
capture: capture util
util/files: util/files util
util: util !util/files
ui/toolkit: ui/toolkit util
ui/chooser: ui/chooser ui/toolkit util
ui/preview: ui/preview ui/toolkit printing capture util
ui: ui printing capture util
app: app ui printing capture util !printing/output/pdf
'

status=0
for source in $(find util capture printing ui app -name '*.h' -o -name '*.cpp' | sort); do
    folder=$(printf '%s\n' "$rules" | while IFS=: read -r name allowed; do
        [ -n "$name" ] || continue
        case "$source" in "$name"/*) echo "$name"; break ;; esac
    done)
    allowed=$(printf '%s\n' "$rules" | sed -n "s|^$folder: ||p")
    grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$source" | while IFS= read -r line; do
        included=$(printf '%s\n' "$line" | sed 's/.*include[[:space:]]*"\([^"]*\)".*/\1/')
        ok=no
        for prefix in $allowed; do
            case "$prefix" in !*) continue ;; esac
            case "$included" in
            "$prefix"/*)
                # printing/ may include its wings, but a wing only what its rule names.
                ok=yes ;;
            esac
        done
        for prefix in $allowed; do
            case "$prefix" in !*) ;; *) continue ;; esac
            # A folder marked ! stays out even where its parent is allowed.
            case "$included" in "${prefix#!}"/*) ok=no ;; esac
        done
        case "$included" in */*) ;; *) ok=yes ;; esac   # a generated or local header
        if [ "$ok" = no ]; then
            echo "$source:${line%%:*}: $folder/ may not include $included"
            echo x >>"${TMPDIR:-/tmp}/check-includes.$$"
        fi
    done
done
if [ -s "${TMPDIR:-/tmp}/check-includes.$$" ]; then
    status=1
fi
rm -f "${TMPDIR:-/tmp}/check-includes.$$"
exit $status
