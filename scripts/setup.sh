#!/usr/bin/env bash
# Installs what building, running and testing Octolume32 need on a Debian machine:
# the MinGW-w64 cross-compilers (32-bit, and 64-bit for the file dialog wrapper's
# 64-bit build), CMake, GoogleTest's sources, 32-bit and 64-bit Wine, Xvfb and
# the X tools the user-level tests drive the program with; clang with its runtime
# libraries for the dump core's fuzzer (libFuzzer), and xxd, the benchmarks' yardstick.
# Installs only what is missing.
set -euo pipefail

packages=(cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest wine wine32:i386
          wine64 xvfb xdotool imagemagick clang libclang-rt-14-dev xxd)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
# Some x86-64 machines (virtual machines whose kernel runs no 32-bit code) cannot start
# 32-bit Wine. There the i386 loader runs under QEMU's user-mode emulator instead,
# registered with the kernel for 32-bit x86 programs: slower, but the same Wine.
runs_32_bit_code() {
    [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
fi

if ! runs_32_bit_code; then
    if ! dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q 'install ok installed'; then
        echo "setup: this machine runs no 32-bit code; installing qemu-user-static for Wine"
        as_root apt-get update -q
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
            qemu-user-static
    fi
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e $binfmt/register ] || as_root mount -t binfmt_misc binfmt_misc $binfmt
    if [ ! -e $binfmt/qemu-i386 ]; then
        # 32-bit little-endian x86 ELF executables and shared objects; F: the emulator is
        # opened now, so it serves in every mount namespace.
        magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" |
            as_root tee $binfmt/register >/dev/null
    fi
    runs_32_bit_code || { echo "setup: 32-bit Wine cannot start on this machine" >&2; exit 1; }
    echo "setup: 32-bit Wine runs under QEMU's user-mode emulator on this machine"
fi
