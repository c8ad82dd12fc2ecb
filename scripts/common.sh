# Shared by run.sh and test.sh: building, a private X display and the Wine prefix.
# Sourced, not run.

octolume_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
octolume_build=${OCTOLUME_BUILD:-$octolume_root/build}
octolume_win=$octolume_build/win
xvfb_pid=

# 10 where 32-bit Wine runs under QEMU's user-mode emulator (scripts/setup.sh), else 1:
# the factor for the time-outs of the Windows tests.
wine_time_scale() {
    if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then echo 10; else echo 1; fi
}

build_windows() {
    cmake -S "$octolume_root" -B "$octolume_win" \
        -DCMAKE_TOOLCHAIN_FILE="$octolume_root/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DOCTOLUME_TEST_TIME_SCALE="$(wine_time_scale)" >/dev/null
    cmake --build "$octolume_win" -j"$(nproc)"
}

# The file dialog wrapper for 64-bit programs with its tests, beside the 32-bit build;
# its tests run in the 32-bit build's Wine prefix.
build_windows_x64() {
    cmake -S "$octolume_root" -B "$octolume_build/win64" \
        -DCMAKE_TOOLCHAIN_FILE="$octolume_root/cmake/mingw-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DOCTOLUME_TEST_TIME_SCALE="$(wine_time_scale)" \
        -DOCTOLUME_WINEPREFIX="$octolume_win/wineprefix" >/dev/null
    cmake --build "$octolume_build/win64" -j"$(nproc)"
}

# Starts Xvfb on a free display and exports DISPLAY.
start_xvfb() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb_pid=$!
    local display
    read -r -t 30 display <"$fifo" || { rm -f "$fifo"; echo "Xvfb did not start" >&2; return 1; }
    rm -f "$fifo"
    export DISPLAY=":$display"
}

start_wine() {
    export WINEPREFIX="$octolume_win/wineprefix"
    export WINEDEBUG=-all
    # No Mono or Gecko installer prompts when the prefix is created, and no debugger started
    # for a program that crashes: it ends at once and its test fails instead of waiting.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
    # A persistent server keeps each test program from paying for its start-up.
    wineserver -p 2>/dev/null || true
    wineboot -i >/dev/null 2>&1 || true
}

stop_all() {
    if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
