#!/bin/sh
# Installs what building and testing hint needs on Debian 12, once: a second
# run with everything in place installs nothing and takes a moment.
set -eu

packages="cmake make g++ python3 googletest libc-bin clang-14 libclang-rt-14-dev
g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
wine wine64 wine32:i386 xvfb xdotool x11-utils imagemagick fonts-wqy-microhei fonts-wine"

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    as_root=""
else
    as_root="sudo"
fi
# wine32 comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $as_root dpkg --add-architecture i386
fi
$as_root apt-get update -qq
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -qq --no-install-recommends $missing
