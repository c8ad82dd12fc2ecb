#!/usr/bin/env bash
# Sets up the machine, builds Octolume32 and starts it under Wine. Without an X
# display it starts a virtual one (Xvfb) and says so.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

"$octolume_root/scripts/setup.sh"
build_windows

trap stop_all EXIT
if [ -z "${DISPLAY:-}" ]; then
    start_xvfb
    echo "No X display: Octolume32 runs on the virtual display $DISPLAY (Xvfb)."
fi
start_wine "$octolume_win/run-prefix"
wine "$octolume_win/bin/Octolume32.exe"
