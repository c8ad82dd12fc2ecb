#!/usr/bin/env bash
# octolume-dump.exe stopped with Ctrl+C while it reverts into a file (Wine hands SIGINT to
# the program as CTRL_C_EVENT): its temporary file goes with it, and the output stays absent.
# Usage: ctrl_c_test.sh SECONDS COMMAND... (the command that starts the tool; SECONDS bounds
# each wait)
set -u
set -m # a job of its own keeps SIGINT, as the job in front of a console does
bound=$1
shift
folder=$(mktemp -d "${TMPDIR:-/tmp}/octolume-ctrl-c.XXXXXX") || exit 1
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1
yes "00000000  41 42" | "$@" -r -o out &
tool=$!
temporary=
for ((deadline = SECONDS + bound; SECONDS < deadline; )); do
    temporary=$(ls -A | grep '^\.octolume-dump-.*\.tmp$') && break
    sleep 0.05
done
kill -INT "$tool"
for ((deadline = SECONDS + bound; SECONDS < deadline; )); do
    kill -0 "$tool" 2>/dev/null || break
    sleep 0.05
done
if kill -0 "$tool" 2>/dev/null; then
    kill -KILL "$tool"
    echo "Ctrl+C did not end the tool within $bound s"
    exit 1
fi
wait "$tool"
left=$(ls -A)
if [ -z "$temporary" ] || [ -n "$left" ]; then
    echo "temporary file while writing: '$temporary'; left after Ctrl+C: '$left' (nothing expected)"
    exit 1
fi
