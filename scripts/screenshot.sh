#!/bin/sh
# Regenerates docs/window.png, the README's picture of the running window.
set -eu
cd "$(dirname "$0")/.."
. scripts/wine_arch.sh
scripts/setup.sh
arch=$(hint_wine_arch)
preset=windows
[ "$arch" = win64 ] && preset=windows64
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target hint probe >/dev/null
mkdir -p docs
python3 scripts/run_under_wine.py --arch "$arch" --probe "build/$preset/tests/wine/probe.exe" \
    --screenshot docs/window.png "build/$preset/hint.exe"
