# Shared by the end-to-end scripts: sourced after `set -euo pipefail`, with
# the script's own arguments. Re-runs the script under Xvfb, gives it a
# scratch folder as HOME ($WORK, removed at exit; the program's pid goes in
# $APP), and the xdotool helpers that find, wait for and click windows.

if [ "${1:-}" != "--inside" ]; then
    # -noreset: the server must not reset when its last client (an xdotool
    # query) leaves just as the program connects.
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" --inside "$@"
fi

WORK=$(mktemp -d /tmp/zelmar-e2e.XXXXXX)
APP=""
cleanup() {
    [ -n "$APP" ] && kill "$APP" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

export HOME="$WORK" XDG_RUNTIME_DIR="$WORK"
unset QT_QPA_PLATFORM

# Fails at once, naming it, when the program shows a window other than the
# main window, the one awaited (title pattern $1) and those a script expects
# throughout (pattern $BESIDE_MAIN), such as a fault report, or when the
# program has ended.
unexpected() {
    [ -n "$APP" ] || return 0
    kill -0 "$APP" 2>/dev/null || fail "the program ended while waiting for \"$1\""
    local id name
    for id in $(xdotool search --onlyvisible --pid "$APP" 2>/dev/null || true); do
        name=$(xdotool getwindowname "$id" 2>/dev/null || true)
        [ -z "$name" ] && continue
        [[ "$name" =~ ^ZELMAR\ CSV\ to\ PDF ]] && continue
        [[ -n "${BESIDE_MAIN:-}" && "$name" =~ $BESIDE_MAIN ]] && continue
        [[ "$name" =~ $1 ]] && continue
        fail "unexpected window \"$name\" while waiting for \"$1\""
    done
}

# Window id of the visible window whose title matches; waits up to 20 s.
window() {
    local id=""
    for _ in $(seq 100); do
        unexpected "$1"
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    fail "no window \"$1\""
}

# Waits until no visible window's title matches, up to 20 s.
gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        unexpected "$1"
        sleep 0.2
    done
    fail "window \"$1\" stayed open"
}

# Clicks the point of a window given in twips of its design; the window's
# width in pixels against its design width gives the scale.
click() {
    local id=$1 designwidth=$2 x=$3 y=$4 width
    width=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
    xdotool mousemove --window "$id" $((x * width / designwidth)) $((y * width / designwidth))
    sleep 0.2
    xdotool click 1
    sleep 0.3
}

# Accepts the Save dialog as proposed, then waits up to 20 s for the file.
save() {
    local dialog
    dialog=$(window "^Save PDF$")
    sleep 0.5
    xdotool mousemove --window "$dialog" 40 40
    xdotool key Return
    written "$1" "^Save PDF$"
    kill -0 "$APP" || fail "the program ended"
}

# Waits up to 20 s for the file $1 while the dialog (title pattern $2) saves it.
written() {
    for _ in $(seq 100); do
        [ -s "$1" ] && return 0
        unexpected "$2"
        sleep 0.2
    done
    fail "no file at $1: $(ls -R "$WORK")"
}
