#!/bin/sh
# The file dialog package as a developer gets it: installed from this build into a fresh
# prefix, examples/open_file configured and built against that prefix only, then run
# under Wine on the test display, once cancelled and once with files chosen through the
# keyboard. Every wait is bounded and grows with OCTOLUME_TEST_TIME_SCALE.
#
# example_test.sh BUILD-FOLDER SOURCE-FOLDER TOOLCHAIN-FILE WORK-FOLDER
set -eu
build=$1 source=$2 toolchain=$3 work=$4
scale=${OCTOLUME_TEST_TIME_SCALE:-1}
example_pid=

fail() {
    printf "example_test: %s\n" "$*" >&2
    exit 1
}
finish() {
    if [ -n "$example_pid" ]; then kill "$example_pid" 2>/dev/null || true; fi
}
trap finish EXIT

rm -rf "$work"
mkdir -p "$work/files"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" --component FileDialog >/dev/null

# Only the public headers: the wrapper's, the facade's and the error type the facade raises.
headers=$(cd "$prefix/include" && find . -type f | sort | tr '\n' ' ')
[ "$headers" = "./octolume/classic_file_dialog.h ./octolume/file_dialog.h ./octolume/support/app_error.h ./octolume/variant.h " ] ||
    fail "installed headers: $headers"

# Nothing but the C and C++ runtime is linked by default: every system library comes
# from the package's target, so one it lacks fails the link.
cat >"$work/toolchain.cmake" <<END
include($toolchain)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -nodefaultlibs")
set(CMAKE_CXX_STANDARD_LIBRARIES "-lstdc++ -Wl,--start-group -lmingw32 -lgcc -lgcc_eh -lmoldname -lmingwex -lmsvcrt -lkernel32 -lpthread -Wl,--end-group" CACHE STRING "" FORCE)
END
cmake -S "$source/examples/open_file" -B "$work/example" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
grep -qx "OctolumeFileDialog_DIR:PATH=$prefix/lib/cmake/OctolumeFileDialog" \
    "$work/example/CMakeCache.txt" || fail "the package was not found in $prefix"
cmake --build "$work/example" >/dev/null

# Polls (every 0.2 s) until the command succeeds; fails after the given seconds.
wait_for() {
    seconds=$1
    shift
    tries=$((seconds * scale * 5))
    until "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.2
    done
}
# Gives the dialog with this title the keyboard and types the xdotool key commands.
dialog=
find_dialog() {
    dialog=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$dialog" ]
}
keys_to() {
    wait_for 60 find_dialog "$1" || fail "no dialog '$1'"
    shift
    timeout $((10 * scale)) xdotool windowfocus --sync "$dialog" || fail "no focus"
    timeout $((10 * scale)) xdotool "$@" || fail "xdotool $*"
}
# Runs the example while the given function drives it; leaves its output in $output and
# its exit status in $status (124 when it had to be ended).
run_example() {
    timeout $((120 * scale)) wine "$work/example/open_file.exe" >"$work/output.txt" 2>/dev/null &
    example_pid=$!
    "$@"
    status=0
    wait "$example_pid" || status=$?
    example_pid=
    output=$(tr -d '\r' <"$work/output.txt")
}

cancel() {
    keys_to "Open a file - example" key Escape
}
run_example cancel
[ "$status" = 2 ] && [ "$output" = "cancelled" ] ||
    fail "cancelled: status $status, output: $output"

# Windows paths under Wine's drive Z:.
: >"$work/files/chosen.txt"
chosen="Z:$(echo "$work/files/chosen.txt" | tr / '\\')"
copy="Z:$(echo "$work/files/copy.txt" | tr / '\\')"
choose() {
    keys_to "Open a file - example" type --delay 20 "$chosen"
    keys_to "Open a file - example" key Return
    keys_to "Save a copy - example" key End shift+Home
    keys_to "Save a copy - example" type --delay 20 "$copy"
    keys_to "Save a copy - example" key Return
}
run_example choose
expected=$(printf 'chosen: %s\nread-only: yes\nencoding: UTF-8\nsave as: %s' "$chosen" "$copy")
[ "$status" = 0 ] && [ "$output" = "$expected" ] ||
    fail "chosen: status $status, output: $output"
echo "example_test: installed, built and run"
