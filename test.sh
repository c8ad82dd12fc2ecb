#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test: the dump core's unit
# tests natively (with AddressSanitizer and UBSan), then the Windows test programs
# under Wine on a private virtual display. Exits non-zero on any failure.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

"$octolume_root/scripts/setup.sh"

native=$octolume_build/native
cmake -S "$octolume_root" -B "$native" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$native" -j"$(nproc)"
build_windows

trap stop_all EXIT
start_xvfb
start_wine
# A test program that crashes fails its test instead of waiting behind Wine's crash
# dialog, which would hold the test's output pipe open until the time-out.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true

status=0
ctest --test-dir "$native" --output-on-failure || status=1
export OCTOLUME_TEST_TIME_SCALE
OCTOLUME_TEST_TIME_SCALE=$(wine_time_scale)
[ "$OCTOLUME_TEST_TIME_SCALE" = 1 ] ||
    echo "Windows tests run under an emulator: their time-outs are $OCTOLUME_TEST_TIME_SCALE times longer"
ctest --test-dir "$octolume_win" --output-on-failure --timeout $((600 * OCTOLUME_TEST_TIME_SCALE)) ||
    status=1

# The file dialog wrapper's 64-bit build: its tests under 64-bit Wine, on the same display
# and in the same Wine prefix.
build_windows_x64
ctest --test-dir "$octolume_build/win64" --output-on-failure \
    --timeout $((600 * OCTOLUME_TEST_TIME_SCALE)) || status=1

exit $status
