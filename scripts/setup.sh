#!/usr/bin/env bash
# Installs what building, running and testing Octolume32 need on a Debian machine:
# the MinGW-w64 cross-compiler, CMake, GoogleTest's sources, 32-bit Wine, Xvfb and
# the X tools the user-level tests drive the program with; clang with its runtime
# libraries for the dump core's fuzzer (libFuzzer), and xxd, the benchmarks' yardstick.
# Installs only what is missing.
#
# Where the kernel runs no 32-bit code, 32-bit Wine runs under QEMU's user-mode emulator,
# registered with the kernel for 32-bit x86 programs (binfmt_misc).
#   setup.sh            what this machine needs: the emulator only where 32-bit code does not run
#   setup.sh --emulate  the emulator even where 32-bit code runs natively (to try that way here)
#   setup.sh --native   no emulator: the registration is removed
set -euo pipefail
source "$(dirname "$0")/common.sh"

mode=auto
case "${1:-}" in
"") ;;
--emulate) mode=emulate ;;
--native) mode=native ;;
*)
    echo "usage: $0 [--emulate | --native]" >&2
    exit 2
    ;;
esac

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
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
fi

binfmt=/proc/sys/fs/binfmt_misc
registration=$binfmt/qemu-i386

runs_32_bit_code() {
    [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

unregister_emulator() {
    if [ -e $registration ]; then echo -1 | as_root tee $registration >/dev/null; fi
}

# The mirror of the machine's own Debian sources (deb822 or one-line form).
debian_mirror() {
    local mirror
    mirror=$(grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}' |
        grep -v security | head -n 1)
    [ -n "$mirror" ] || mirror=$(grep -hs '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
        sed -e 's/\[[^]]*\]//' | awk '{print $2}' | grep -v security | grep debian | head -n 1)
    echo "${mirror:-http://deb.debian.org/debian}"
}

# QEMU 10 from Debian 13's qemu-user package, fetched through an apt configuration of its
# own in the build folder: the system's apt sources, lists and cache stay as they are.
# Debian 12's QEMU 7.2 ignores MAP_FIXED_NOREPLACE, which makes each 32-bit Wine start
# take a minute instead of half a second. Prints the emulator's path.
fetch_qemu_10() {
    local folder=$octolume_build/emulator
    local apt_options=(-q -o Dir::Etc::SourceList="$folder/sources.list"
                       -o Dir::Etc::SourceParts=/dev/null -o Dir::State::Lists="$folder/lists"
                       -o Dir::Cache="$folder/cache" -o Dir::State::status=/dev/null
                       -o APT::Architectures="$(dpkg --print-architecture)"
                       -o APT::Sandbox::User=root)
    if [ -x "$folder/usr/bin/qemu-i386" ]; then
        echo "$folder/usr/bin/qemu-i386"
        return
    fi
    mkdir -p "$folder/lists/partial" "$folder/cache/archives/partial" "$folder/download"
    echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $(debian_mirror) trixie main" \
        >"$folder/sources.list"
    as_root apt-get "${apt_options[@]}" update >&2 &&
        (cd "$folder/download" && as_root apt-get "${apt_options[@]}" download qemu-user >&2) &&
        dpkg-deb -x "$folder"/download/qemu-user_*.deb "$folder" &&
        "$folder/usr/bin/qemu-i386" --version >/dev/null &&
        echo "$folder/usr/bin/qemu-i386"
}

# Debian 12's own emulator, the slow one, where QEMU 10 cannot be fetched.
install_qemu_7() {
    if ! dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q 'install ok installed'; then
        as_root apt-get update -q >&2
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
            qemu-user-static >&2
    fi
    echo /usr/bin/qemu-i386-static
}

register_emulator() {
    local emulator
    if emulator=$(fetch_qemu_10); then
        echo "setup: 32-bit Wine runs under QEMU 10's user-mode emulator ($emulator)"
    else
        echo "setup: QEMU 10 could not be fetched from Debian 13; falling back to Debian 12's" \
            "qemu-user-static, with which each 32-bit Wine start takes about a minute"
        emulator=$(install_qemu_7)
    fi
    [ -e $binfmt/register ] || as_root mount -t binfmt_misc binfmt_misc $binfmt
    if [ -e $registration ] && grep -qx "interpreter $emulator" $registration; then
        return
    fi
    unregister_emulator
    # 32-bit little-endian x86 ELF executables and shared objects; F: the emulator is opened
    # now, so it serves in every mount namespace and even once its file is gone.
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::$magic:$mask:$emulator:F" | as_root tee $binfmt/register >/dev/null
}

case $mode in
emulate)
    register_emulator
    ;;
native)
    unregister_emulator
    runs_32_bit_code || { echo "setup: this machine's kernel runs no 32-bit code" >&2; exit 1; }
    echo "setup: 32-bit Wine runs natively"
    ;;
auto)
    # An emulator registered before (by --emulate, or because the machine needs it) stays,
    # but Debian 12's slow one gives way to QEMU 10 where that can be fetched.
    if [ -e $registration ]; then
        if grep -qx 'interpreter /usr/bin/qemu-i386-static' $registration; then register_emulator; fi
    elif ! runs_32_bit_code; then
        echo "setup: this machine runs no 32-bit code"
        register_emulator
    fi
    ;;
esac
runs_32_bit_code || { echo "setup: 32-bit Wine cannot start on this machine" >&2; exit 1; }
