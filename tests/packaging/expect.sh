#!/bin/sh
# SPDX-License-Identifier: MIT
# expect.sh STATUS INPUT OUTPUT ERRORS COMMAND [ARG...]
# Runs COMMAND with INPUT on standard input and checks that it exits with
# STATUS and writes exactly OUTPUT to standard output and ERRORS to
# standard error.  INPUT, OUTPUT and ERRORS are printf formats, so that
# they can hold NULs (\0) and newlines (\n).  COMMAND gets 30 seconds and
# 1 MiB of output on each stream (bounded.sh).
set -u
status=$1 input=$2 output=$3 errors=$4
shift 4
. "$(dirname "$0")/bounded.sh"
printf "$input" >"$tmp/in"
printf "$output" >"$tmp/want"
printf "$errors" >"$tmp/want.err"
run_bounded 30 "$tmp/in" "$tmp/got" "$tmp/got.err" "$@"
got=$?
fails=0
bound_reason $got
if [ "$got" -ne "$status" ]; then
    echo "FAIL: exit status $got, want $status"
    fails=1
fi
for stream in out err; do
    want=$tmp/want got=$tmp/got
    [ "$stream" = out ] || want=$want.err got=$got.err
    if ! cmp -s "$want" "$got"; then
        echo "FAIL: standard $stream differs (want, then got; at most 20 lines each):"
        od -c "$want" | head -n 20
        od -c "$got" | head -n 20
        fails=1
    fi
done
exit $fails
