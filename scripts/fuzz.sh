#!/bin/sh
# Builds the libFuzzer targets in their own tree and runs each for
# FUZZ_SECONDS. Corpora grow in $FUZZ_BUILD/corpus/NAME, seeded from
# fuzz/seeds and the example captures; anything a target finds is kept in
# $FUZZ_BUILD/findings and fails the run. FUZZ_TARGETS picks targets.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

build=${FUZZ_BUILD:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
jobs=${JOBS:-2}
targets=${FUZZ_TARGETS:-getfield stripper splitpath numbers capture pdfimport outputplan atomicwrite fontfile decoderequest}

cmake -S fuzz -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j "$jobs"

mkdir -p "$build/findings" "$build/logs"
# Absolute: a target may change its working folder (outputplan works in its tree).
findings=$(cd "$build/findings" && pwd)
for t in $targets; do
    mkdir -p "$build/corpus/$t"
    [ -d "fuzz/seeds/$t" ] && cp -n fuzz/seeds/"$t"/* "$build/corpus/$t/" 2>/dev/null || true
done

# Whole captures behind the parameter bytes the capture target reads first:
# flags (1 grow short files, 2 tick marks), four bytes of check boxes, the
# unit, then tick text and resolution, each after its length.
case " $targets " in *" capture "*)
    for f in examples/*.csv; do
        n=$(basename "$f" .csv)
        { printf '\002\125\125\125\125\000\00216\0030.5'; cat "$f"; } > "$build/corpus/capture/example-$n"
        { printf '\000\125\000\000\125\002\000\000'; cat "$f"; } > "$build/corpus/capture/example-$n-plain"
        { printf '\003\125\125\125\125\001\0014\0012'; head -n 12 "$f"; } > "$build/corpus/capture/short-$n"
        { printf '\002\377\377\377\377\000\0018\0011'; tr -d '\n' < "$f"; } > "$build/corpus/capture/cr-$n"
    done
    ;;
esac

status=0
summary=""
for t in $targets; do
    case $t in
        capture) max_len=131072 ;;
        *) max_len=4096 ;;
    esac
    log="$build/logs/$t.log"
    echo "== fuzz_$t for ${seconds}s"
    if LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0" \
        "$build/fuzz_$t" -max_total_time="$seconds" -max_len="$max_len" \
        -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$findings/$t-" "$build/corpus/$t" > "$log" 2>&1; then
        result="ok"
    else
        result="FOUND SOMETHING (see $log)"
        status=1
    fi
    done_line=$(grep -E '^Done [0-9]+ runs in [0-9]+ second' "$log" | tail -n 1 || true)
    runs=$(echo "$done_line" | sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1/p')
    secs=$(echo "$done_line" | sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\2/p')
    if [ -z "$runs" ]; then   # stopped by a finding: the final statistics still tell
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    else
        rate="-"
        [ "${secs:-0}" -gt 0 ] && rate=$((runs / secs))
    fi
    summary="$summary$(printf '%-10s %12s runs %6ss %9s runs/s  %s' "$t" "${runs:--}" "${secs:--}" "$rate" "$result")
"
done

echo
printf '%s' "$summary"
found=$(find "$build/findings" -type f | head -n 20)
if [ -n "$found" ]; then
    echo "Kept inputs:"
    echo "$found"
    status=1
fi
exit $status
