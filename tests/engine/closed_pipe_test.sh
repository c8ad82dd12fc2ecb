#!/bin/sh
# octolume-dump.exe writing into a Linux pipe whose reader has gone, as in
# `octolume-dump.exe FILE | head -c 100`: status 1 and no message.
# Usage: closed_pipe_test.sh SECONDS COMMAND... (the command that starts the tool; SECONDS
# bounds it)
set -u
seconds=$1
shift
folder=$(mktemp -d "${TMPDIR:-/tmp}/octolume-closed-pipe.XXXXXX") || exit 1
trap 'rm -rf "$folder"' EXIT
head -c 1048576 /dev/urandom >"$folder/big.bin"
{ timeout "$seconds" "$@" "$folder/big.bin" 2>"$folder/errors"; echo $? >"$folder/status"; } |
    head -c 100 >/dev/null
status=$(cat "$folder/status")
errors=$(cat "$folder/errors")
if [ "$status" != 1 ] || [ -n "$errors" ]; then
    echo "status $status (1 expected), errors: '$errors' (none expected)"
    exit 1
fi
