# Shared by run.sh and test.sh: building, a private X display and the Wine prefix.
# Sourced, not run.

octolume_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
octolume_build=${OCTOLUME_BUILD:-$octolume_root/build}
octolume_win=$octolume_build/win
xvfb_pid=

# The factor for every time-out and bounded wait of the Windows tests, from one measured
# figure: the time a 32-bit Wine process takes to start and end on this machine, against
# the 100 ms that is ample where 32-bit code runs natively (about 40 ms there; 0.6 s under
# QEMU 10's emulator, a minute under QEMU 7.2's). Kept in the build folder, where the
# build's CTest time-outs and the test programs read it, so a bare ctest uses it too.
# Needs start_wine first.
octolume_time_scale_file=$octolume_win/test-time-scale
measure_time_scale() {
    local starts=() i start end
    for i in 1 2 3 4 5; do
        start=$(date +%s%N)
        wine 'C:\windows\syswow64\cmd.exe' /c exit >/dev/null 2>&1 ||
            { echo "Wine cannot start a 32-bit program" >&2; return 1; }
        end=$(date +%s%N)
        starts+=($(((end - start) / 1000000)))
    done
    local median
    median=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n 3p)
    local scale=$(((median + 99) / 100))
    [ "$scale" -ge 1 ] || scale=1
    mkdir -p "$octolume_win"
    printf '%s\n# the factor of the Windows tests\x27 time-outs: a 32-bit Wine start took %s ms\n' \
        "$scale" "$median" >"$octolume_time_scale_file"
    echo "Time scale of the Windows tests: $scale (a 32-bit Wine start takes $median ms here)"
}

build_windows() {
    cmake -S "$octolume_root" -B "$octolume_win" \
        -DCMAKE_TOOLCHAIN_FILE="$octolume_root/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$octolume_win" -j"$(nproc)"
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

# Starts Wine in a prefix inside the build folder: the tests' (the default) or the one
# run.sh shows the program in, which keeps Wine's own settings.
start_wine() {
    export WINEPREFIX="${1:-$octolume_win/wineprefix}"
    export WINEDEBUG=-all
    # No Mono or Gecko installer prompts when the prefix is created, and no debugger started
    # for a program that crashes: it ends at once and its test fails instead of waiting.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
    # Wine makes the prefix's own folder only: in a fresh tree the build folder is not
    # there yet.
    mkdir -p "$(dirname "$WINEPREFIX")"
    # A persistent server keeps each test program from paying for its start-up.
    wineserver -p 2>/dev/null || true
    wineboot -i >/dev/null 2>&1 || true
}

# The tests' prefix as every run needs it, whatever a run that was killed left behind.
prepare_test_prefix() {
    local settings=$octolume_root/scripts/test-prefix.reg
    wine regedit /S "Z:${settings//\//\\}" >/dev/null 2>&1 ||
        { echo "Wine could not import scripts/test-prefix.reg" >&2; return 1; }
}

stop_all() {
    if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
