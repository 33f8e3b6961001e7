#!/bin/sh
# SPDX-License-Identifier: MIT
# expect.sh STATUS INPUT OUTPUT COMMAND [ARG...]
# Runs COMMAND with INPUT on standard input and checks that it exits with
# STATUS and writes exactly OUTPUT to standard output.  INPUT and OUTPUT
# are printf formats, so that they can hold NULs (\0) and newlines (\n).
set -u
status=$1 input=$2 output=$3
shift 3
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
printf "$output" >"$dir/want"
printf "$input" | "$@" >"$dir/got"
got=$?
fails=0
if [ "$got" -ne "$status" ]; then
    echo "FAIL: exit status $got, want $status"
    fails=1
fi
if ! cmp -s "$dir/want" "$dir/got"; then
    echo "FAIL: output differs (want, then got):"
    od -c "$dir/want"
    od -c "$dir/got"
    fails=1
fi
exit $fails
