#!/bin/sh
# Makes the release zip with cpack and unpacks it as a user would, into a folder whose
# name has blanks; checks that it holds exactly the program, its engine, README and
# licence, and that the shipped (stripped) binaries keep their hardening.
# Usage: unpack_release.sh CPACK CMAKE BUILD_FOLDER ZIP_NAME TARGET_FOLDER OBJDUMP CHECK_BINARIES
set -eu
cpack=$1 cmake=$2 build=$3 zip=$4 target=$5 objdump=$6 check_binaries=$7

rm -f "$build/$zip"
(cd "$build" && "$cpack" -G ZIP --config CPackConfig.cmake >/dev/null)
[ -f "$build/$zip" ] || { echo "FAIL: cpack made no $zip"; exit 1; }

rm -rf "$target"
mkdir -p "$target"
(cd "$target" && "$cmake" -E tar xf "$build/$zip")
contents=$(cd "$target" && find . -type f | LC_ALL=C sort | tr '\n' ' ')
expected="./LICENSE.txt ./Octolume32.exe ./README.txt ./octolume.dll "
[ "$contents" = "$expected" ] || { echo "FAIL: $zip holds $contents"; exit 1; }

sh "$check_binaries" "$objdump" "$target/Octolume32.exe" "$target/octolume.dll"
echo "release: $zip unpacked into $target"
