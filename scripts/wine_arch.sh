# Sourced by the run and test scripts: picks the Windows build that Wine can
# run here. The product is the 32-bit build; a host whose kernel cannot run
# 32-bit code runs the same sources built for 64-bit Windows instead.
hint_wine_arch() {
    python3 "$(dirname "$0")/../tests/wine/session.py" arch
}
