#!/bin/sh
# The file dialog package as a developer gets it: installed from this build into a fresh
# prefix, examples/open_file configured and built against that prefix alone, then run
# under Wine on the test display, once cancelled and once with files chosen through the
# keyboard. Every wait is bounded and grows with the tests' time scale (the build's
# test-time-scale).
#
# example_test.sh BUILD-FOLDER SOURCE-FOLDER TOOLCHAIN-FILE WORK-FOLDER
set -eu
build=$1 source=$2 toolchain=$3 work=$4
scale=$(head -n 1 "$build/test-time-scale" 2>/dev/null || true)
case $scale in [1-9]*) ;; *) scale=1 ;; esac
example=
fail() {
    printf 'example_test: %s\n' "$*" >&2
    exit 1
}
trap '[ -z "$example" ] || kill "$example" 2>/dev/null || true' EXIT

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

# Waits (polling every 0.2 s, for a scaled minute at most) until the dialog of this title is shown
# and has the X keyboard focus, then sends it the xdotool commands. Wine may name a window
# before X shows it, and X gives no focus to a window it does not show.
to_dialog() {
    title=$1
    shift
    deadline=$(($(date +%s) + 60 * scale))
    until dialog=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1) &&
        [ -n "$dialog" ] && timeout $((10 * scale)) xdotool windowfocus --sync "$dialog" 2>/dev/null; do
        [ "$(date +%s)" -lt "$deadline" ] || fail "no dialog '$title' to type into"
        sleep 0.2
    done
    timeout $((10 * scale)) xdotool "$@" || fail "xdotool $*"
}
# Runs the example while the given function drives it; leaves its output in $output and
# its exit status in $status (124 when it had to be ended).
run_example() {
    timeout $((120 * scale)) wine "$work/example/open_file.exe" >"$work/output.txt" 2>/dev/null &
    example=$!
    "$@"
    status=0
    wait "$example" || status=$?
    example=
    output=$(tr -d '\r' <"$work/output.txt")
}

cancel() {
    to_dialog "Open a file - example" key Escape
}
run_example cancel
[ "$status" = 2 ] && [ "$output" = "cancelled" ] || fail "cancel: status $status, $output"

: >"$work/files/chosen.txt"
chosen="Z:$(echo "$work/files/chosen.txt" | tr / '\\')" # Linux paths under Wine's Z:
copy="Z:$(echo "$work/files/copy.txt" | tr / '\\')"
choose() {
    to_dialog "Open a file - example" type --delay 20 "$chosen"
    to_dialog "Open a file - example" key Return
    to_dialog "Save a copy - example" key End shift+Home
    to_dialog "Save a copy - example" type --delay 20 "$copy"
    to_dialog "Save a copy - example" key Return
}
run_example choose
expected=$(printf 'chosen: %s\nread-only: yes\nencoding: UTF-8\nsave as: %s' "$chosen" "$copy")
[ "$status" = 0 ] && [ "$output" = "$expected" ] || fail "choice: status $status, $output"
echo "example_test: installed, built against the prefix alone and run"
