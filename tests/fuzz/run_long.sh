#!/bin/sh
# A long fuzzing run of the description reader (default one hour):
#
#   tests/fuzz/run_long.sh [seconds]
#
# Builds the fuzzer with clang in build/fuzz-long and keeps the corpus it grows
# in build/fuzz-long/corpus-long, so that each run goes on from the last one.
set -eu
cd "$(dirname "$0")/../.."
seconds=${1:-3600}
case $seconds in
    ''|*[!0-9]*) echo "usage: $0 [seconds]" >&2; exit 2 ;;
esac

build=build/fuzz-long
cmake -S tests/fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"
exec sh tests/fuzz/run_fuzzer.sh "$build/description_fuzzer" "$build/corpus" "$seconds" \
    "$build/artifacts-long" "$build/corpus-long"
