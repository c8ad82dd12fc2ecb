#!/usr/bin/env bash
# octolume-dump.exe stopped with Ctrl+C while it reverts into a file (Wine hands SIGINT to
# the program as CTRL_C_EVENT): its temporary file goes with it, and the output stays absent.
# Usage: ctrl_c_test.sh FOLDER COMMAND... (the command that starts the tool)
set -u
set -m # a job of its own keeps SIGINT, as the job in front of a console does
folder=$1
shift
rm -rf "$folder" && mkdir -p "$folder" && cd "$folder" || exit 1
yes "00000000  41 42" | "$@" -r -o out &
tool=$!
temporary=
for ((i = 0; i < 600 * ${OCTOLUME_TEST_TIME_SCALE:-1}; ++i)); do
    temporary=$(ls | grep -i '^odp.*\.tmp$') && break
    sleep 0.05
done
kill -INT "$tool"
wait "$tool"
left=$(ls -A)
cd .. && rm -rf "$folder"
if [ -z "$temporary" ] || [ -n "$left" ]; then
    echo "temporary file while writing: '$temporary'; left after Ctrl+C: '$left' (nothing expected)"
    exit 1
fi
