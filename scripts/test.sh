#!/bin/sh
# Builds everything and runs every test: the native unit tests (with
# sanitizers), the static checks of hint.exe, and the Windows-side and
# end-to-end tests under Wine on a virtual display.
set -eu
cd "$(dirname "$0")/.."
. scripts/wine_arch.sh
scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
status=0

echo "== native unit tests"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native || status=1

echo "== fuzzing the description reader (60 s)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz || status=1

echo "== hint.exe (32-bit Windows) and its static checks"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
ctest --preset windows -L static || status=1

arch=$(hint_wine_arch)
if [ "$arch" = win32 ]; then
    preset=windows
else
    echo "== this host cannot run 32-bit code: the Wine tests run the same sources built for 64-bit Windows"
    preset=windows64
    cmake --preset windows64 >/dev/null
    cmake --build --preset windows64 -j "$jobs"
fi

echo "== tests under Wine ($preset)"
ctest --preset "$preset" -L wine || status=1

exit $status
