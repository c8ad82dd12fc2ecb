#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test: the dump core's unit
# tests natively (with AddressSanitizer and UBSan), then the Windows test programs
# under Wine on a private virtual display. Exits non-zero on any failure.
#
# Usage: ./test.sh [--repeat N]
#   --repeat N  runs the Windows tests N times in a row, stopping at the first failure
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

repeat=1
while [ $# -gt 0 ]; do
    case $1 in
    --repeat)
        repeat=${2:-}
        [[ "$repeat" =~ ^[1-9][0-9]*$ ]] || { echo "test.sh: --repeat needs a count" >&2; exit 2; }
        shift
        ;;
    -h | --help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "test.sh: unknown option '$1' (try --help)" >&2; exit 2 ;;
    esac
    shift
done

"$octolume_root/scripts/setup.sh"

trap stop_all EXIT
start_xvfb
start_wine
prepare_test_prefix
measure_time_scale

native=$octolume_build/native
cmake -S "$octolume_root" -B "$native" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$native" -j"$(nproc)"
build_windows

status=0
ctest --test-dir "$native" --output-on-failure || status=1
# No retry: a test that fails once in N runs fails the run, and a repeated run stops there.
repeating=()
[ "$repeat" = 1 ] || repeating=(--repeat until-fail:"$repeat" --stop-on-failure)
ctest --test-dir "$octolume_win" --output-on-failure "${repeating[@]}" \
    --timeout $((600 * $(head -n 1 "$octolume_time_scale_file"))) || status=1
exit $status
