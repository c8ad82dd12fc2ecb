#!/bin/sh
# octolume-dump.exe writing into a Linux pipe whose reader has gone, as in
# `octolume-dump.exe FILE | head -c 100`: status 1 and no message.
# Usage: closed_pipe_test.sh FOLDER COMMAND... (the command that starts the tool)
set -u
folder=$1
shift
mkdir -p "$folder"
head -c 1048576 /dev/urandom >"$folder/big.bin"
{ timeout 900 "$@" "$folder/big.bin" 2>"$folder/errors"; echo $? >"$folder/status"; } |
    head -c 100 >/dev/null
status=$(cat "$folder/status")
errors=$(cat "$folder/errors")
rm -rf "$folder"
if [ "$status" != 1 ] || [ -n "$errors" ]; then
    echo "status $status (1 expected), errors: '$errors' (none expected)"
    exit 1
fi
