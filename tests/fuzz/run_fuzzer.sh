#!/bin/sh
# Runs the description fuzzer for a bounded time and fails on any crash,
# sanitizer report, leak, timeout or memory blow-up.
#
#   run_fuzzer.sh FUZZER SEED_CORPUS SECONDS ARTIFACT_DIR [WORK_CORPUS]
#
# The seed corpus is never written to: the fuzzer works on a copy, in a
# temporary directory that is removed afterwards, or in WORK_CORPUS, which is
# kept (and grows) from one run to the next. Inputs that fail are left in
# ARTIFACT_DIR and printed in hex.
set -eu

if [ $# -lt 4 ] || [ $# -gt 5 ]; then
    echo "usage: $0 FUZZER SEED_CORPUS SECONDS ARTIFACT_DIR [WORK_CORPUS]" >&2
    exit 2
fi
fuzzer=$1
seeds=$2
seconds=$3
artifacts=$4
here=$(cd "$(dirname "$0")" && pwd)

if [ ! -d "$seeds" ] || [ -z "$(ls -A "$seeds")" ]; then
    echo "no seed corpus in $seeds" >&2
    exit 2
fi

if [ $# -eq 5 ]; then
    work=$5
    mkdir -p "$work"
    cleanup=""
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/hint-fuzz-corpus.XXXXXX")
    cleanup=$work
fi
log=$(mktemp "${TMPDIR:-/tmp}/hint-fuzz-log.XXXXXX")
trap 'rm -f "$log"; [ -z "$cleanup" ] || rm -rf "$cleanup"' EXIT
# A seed that changed since the last run replaces the old copy; inputs the
# fuzzer added keep their own (hash) names.
cp "$seeds"/* "$work"/

rm -rf "$artifacts"
mkdir -p "$artifacts"

echo "fuzzing for ${seconds}s on $(ls "$work" | wc -l) inputs from $seeds"
status=0
ASAN_OPTIONS="detect_leaks=1:${ASAN_OPTIONS:-}" \
UBSAN_OPTIONS="print_stacktrace=1:${UBSAN_OPTIONS:-}" \
"$fuzzer" "$work" \
    -dict="$here/description.dict" \
    -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1 || status=$?

grep -E '^#[0-9]+.*(INITED|DONE)|^stat::|^(==[0-9]+==)?(ERROR|SUMMARY)|^Done ' "$log" || true

# A run that never got going is no pass either.
executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
if [ "$status" -eq 0 ] && [ "${executed:-0}" -eq 0 ]; then
    echo "the fuzzer executed no input" >&2
    cat "$log" >&2
    exit 1
fi

if [ "$status" -ne 0 ]; then
    echo "the fuzzer failed (exit code $status); its output:" >&2
    tail -n 60 "$log" >&2
    for input in "$artifacts"/*; do
        [ -f "$input" ] || continue
        echo "reproducer $input ($(wc -c <"$input") bytes):" >&2
        od -An -tx1 "$input" | head -n 40 >&2
    done
    exit 1
fi
echo "no failure in $executed executions"
