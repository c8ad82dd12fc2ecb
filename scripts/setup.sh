#!/usr/bin/env bash
# Installs what building, running and testing Octolume32 need on a Debian machine:
# the MinGW-w64 cross-compiler, CMake, GoogleTest's sources, 32-bit Wine, Xvfb and
# the X tools the user-level tests drive the program with; clang with its runtime
# libraries for the dump core's fuzzer (libFuzzer), and xxd, the benchmarks' yardstick.
# Installs only what is missing.
set -euo pipefail

packages=(cmake make g++ g++-mingw-w64-i686 googletest wine wine32:i386 wine64 xvfb xdotool
          imagemagick clang libclang-rt-14-dev xxd)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
fi
as_root apt-get update -q
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${missing[@]}"
