#!/bin/sh
# Builds the program a second time, from the same sources in another build
# folder, and compares the two files byte for byte: the program file must
# not depend on when or where it was built.
#   check_reproducible.sh <source-dir> <toolchain-file> <build-type> <built-exe>
set -eu
source_dir=$1 toolchain=$2 build_type=$3 built=$4
second=$(mktemp -d "${TMPDIR:-/tmp}/hint-second-build.XXXXXX")
trap 'rm -rf "$second"' EXIT

# Another moment: a time stamp would differ.
sleep 1
cmake -S "$source_dir" -B "$second" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
cmake --build "$second" --target hint -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

if cmp "$built" "$second/hint.exe"; then
    echo "ok: a second build in $second gave the same $(wc -c <"$built") bytes"
    echo "1 passed, 0 failed"
else
    echo "FAIL: the second build differs from $built"
    echo "0 passed, 1 failed"
    exit 1
fi
