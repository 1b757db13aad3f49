#!/bin/sh
# Builds hint.exe and runs it: under Wine on this machine's display, or, when
# there is no display, on a virtual one, leaving a screenshot of the window.
set -eu
cd "$(dirname "$0")/.."
. scripts/wine_arch.sh

case "$(uname -s)" in
    MINGW* | MSYS* | CYGWIN*)
        cmake --preset windows >/dev/null && cmake --build --preset windows
        exec ./build/windows/hint.exe ;;
esac

scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target hint
echo "Built build/windows/hint.exe"
preset=windows
arch=$(hint_wine_arch)
if [ "$arch" = win64 ]; then
    echo "This host cannot run 32-bit code; running the same program built for 64-bit Windows."
    preset=windows64
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target hint probe
exec python3 scripts/run_under_wine.py --arch "$arch" \
    --probe "build/$preset/tests/wine/probe.exe" "build/$preset/hint.exe"
