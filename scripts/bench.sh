#!/usr/bin/env bash
# Runs every benchmark of the project and prints one table of their target figures:
# the dump core, the byte search and octolume-dump natively (an optimized build without
# sanitizers in build/native-release); the core, the search, the start-up, the dump view and
# the engine's paged entry points and the inspector under Wine on a private virtual display. Each prints its own lines as it goes, and one
#   ROW<TAB>figure<TAB>ours<TAB>reference<TAB>ratio<TAB>target
# line per target figure, which this script gathers.
#
# Usage: scripts/bench.sh [--full] [--runs N]
#   --full    more repetitions everywhere
#   --runs N  repetitions of each measurement (default 5, or 10 with --full)
set -euo pipefail
source "$(dirname "$0")/common.sh"

full=0
runs=
while [ $# -gt 0 ]; do
    case $1 in
    --full) full=1 ;;
    --runs) runs=$2; shift ;;
    -h | --help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench.sh: unknown option '$1' (try --help)" >&2; exit 2 ;;
    esac
    shift
done
[ -n "$runs" ] || runs=$((full ? 10 : 5))

"$octolume_root/scripts/setup.sh"
# hexyl, the yardstick of the coloured dump.
if ! command -v hexyl >/dev/null; then
    if [ "$(id -u)" -eq 0 ]; then apt-get install -y -q hexyl; else sudo apt-get install -y -q hexyl; fi
fi
release=$octolume_build/native-release
cmake -S "$octolume_root" -B "$release" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$release" -j2 --target dump_benchmark search_benchmark octolume-dump
build_windows

trap stop_all EXIT
start_xvfb
start_wine
prepare_test_prefix

rows=$(mktemp)
trap 'rm -f "$rows"; stop_all' EXIT

# Runs one benchmark, shows its own lines and keeps its ROW lines.
run() {
    local name=$1
    shift
    echo
    echo "== $name"
    local output status=0
    output=$("$@" 2>&1) || status=$?
    grep -v $'^ROW\t' <<<"$output" || true
    grep $'^ROW\t' <<<"$output" >>"$rows" || true
    [ $status -eq 0 ] || echo "($name ended with status $status)"
}

bin=$octolume_win/bin
run "dump core and octolume-dump, native" \
    "$release/tests/bench/dump/dump_benchmark" --runs "$runs" \
    --tool "$release/engine/cli/octolume-dump"
run "dump core, Windows build under Wine" wine "$bin/dump_benchmark.exe" --runs "$runs"
run "byte search, native" "$release/tests/bench/search/search_benchmark" --runs "$runs"
run "byte search, Windows build under Wine" wine "$bin/search_benchmark.exe" --runs "$runs"
run "start-up, under Wine" wine "$bin/startup_benchmark.exe" --runs $((runs * 4))
run "dump view, under Wine" wine "$bin/view_benchmark.exe" --runs "$runs"
run "paged engine, under Wine" wine "$bin/paged_benchmark.exe" --runs "$runs"
run "inspector, under Wine" wine "$bin/inspector_benchmark.exe" --runs "$runs"

# The table, in Markdown, with whether each target is met.
echo
echo "Machine: $(lscpu | sed -n 's/^Model name:[[:space:]]*//p'), $(nproc) cores," \
    "$(awk '/MemTotal/ {printf "%.0f GB", $2 / 1048576}' /proc/meminfo)," \
    "load $(cut -d' ' -f1-3 /proc/loadavg); $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
awk -F'\t' '
    BEGIN {
        print "| figure | ours | reference | ratio | target | met |"
        print "|---|---|---|---|---|---|"
    }
    {
        sub(/\r$/, "") # Windows programs end their lines with CR LF
        split($6, target, " ")
        met = "?"
        if ($6 == "-") met = "-" # a figure shown for what it tells, with no target
        if (target[1] == ">=") met = ($5 + 0 >= target[2] + 0) ? "yes" : "no"
        if (target[1] == "<=") met = ($5 + 0 <= target[2] + 0) ? "yes" : "no"
        printf "| %s | %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6, met
    }' "$rows"
[ -s "$rows" ] || echo "(no benchmark reported a figure)"
