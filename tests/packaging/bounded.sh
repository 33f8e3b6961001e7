# SPDX-License-Identifier: MIT
# Sourced by the packaging tests.  Sets tmp to a new temporary directory
# that is removed when the script exits, on HUP, INT and TERM too, and
# defines run_bounded, which keeps a program from running or printing
# forever.

tmp=$(mktemp -d) || exit 1
running=
trap 'rm -rf "$tmp"' EXIT
# A signal stops the program being run, then the script (the EXIT trap
# then removes tmp); the status is 128 plus the signal's number.
stop() {
    [ -z "$running" ] || kill "$running" 2>/dev/null
    exit "$1"
}
trap 'stop 129' HUP
trap 'stop 130' INT
trap 'stop 143' TERM

# run_bounded SECONDS IN OUT ERR COMMAND [ARG...]
# Runs COMMAND with standard input from IN, output to OUT and errors to
# ERR, and returns its status.  COMMAND is stopped after SECONDS (status
# 124), and killed by SIGXFSZ (status 153) when it writes past 1 MiB into
# OUT or ERR.  It runs in the background so that a signal reaches the
# traps above at once rather than when COMMAND ends.
run_bounded() {
    ( # a subshell, so that these names stay the caller's
        ulimit -f 2048 || exit
        secs=$1 in=$2 out=$3 err=$4
        shift 4
        exec timeout "$secs" "$@" <"$in" >"$out" 2>"$err"
    ) &
    running=$!
    wait "$running"
    set -- $?
    running=
    return "$1"
}

# bound_reason STATUS: says why run_bounded stopped a program, if it did.
bound_reason() {
    case $1 in
    124) echo "stopped after its time limit" ;;
    153) echo "stopped at 1 MiB of output" ;;
    esac
}
