# SPDX-License-Identifier: MIT
# What the scripts in scripts/ and .ci/run share.  Source it from the top
# of the source tree (the scripts cd there first):
#
#     . scripts/lib.sh
#
# mstring_build [-q] DIR [CMAKE-OPTION...]
#     Configures the tree into the build folder DIR, a Release build unless
#     an option says otherwise, with the options given (-DMSTRING_M32=OFF,
#     -DCMAKE_TOOLCHAIN_FILE=..., ...), then builds everything in it.
#     Configure's output goes to DIR/configure.log (its errors to stderr).
#     -q: the build prints its errors alone.
# mstring_ctest DIR [CTEST-OPTION...]
#     Runs the suite of the built folder DIR, stopping at the first failing
#     test: every test has a time limit, but a fault that makes every test
#     hang would otherwise cost all of them.  Run ctest without
#     --stop-on-failure to see every failure.
# mstring_suite [-q] DIR [CMAKE-OPTION...]
#     mstring_build, then mstring_ctest: the one way a suite is built and
#     run.
# mstring_i386_native
#     Succeeds where this x86-64 machine runs 32-bit programs natively,
#     fails where scripts/setup-debian found the kernel refusing them and
#     had them run under qemu-i386 instead (binfmt_misc's qemu-i386).
# mstring_arch ARCH
#     Sets arch_triple, arch_qemu, arch_class, arch_order, arch_machine,
#     arch_linker (empty for i386 and amd64), arch_gtest and arch_flags
#     from ARCH's line of cmake/architectures.txt; fails for an unknown
#     ARCH.
# mstring_arches
#     Prints the architectures of cmake/architectures.txt, one a line.
#
# Each runs with MSTRING_JOBS jobs (default: the processors, nproc), and
# returns a failing status at its first failing command.

MSTRING_JOBS=${MSTRING_JOBS:-$(nproc)}
mstring_architectures=cmake/architectures.txt

mstring_build() {
    _quiet=false
    [ "$1" != -q ] || { _quiet=true && shift; }
    _dir=$1
    shift
    mkdir -p "$_dir"
    cmake -S . -B "$_dir" -DCMAKE_BUILD_TYPE=Release "$@" >"$_dir/configure.log" || return
    if $_quiet; then
        cmake --build "$_dir" -j"$MSTRING_JOBS" >/dev/null
    else
        cmake --build "$_dir" -j"$MSTRING_JOBS"
    fi
}

mstring_ctest() {
    _dir=$1
    shift
    ctest --test-dir "$_dir" --output-on-failure --stop-on-failure -j"$MSTRING_JOBS" "$@"
}

mstring_suite() {
    _q=
    [ "$1" != -q ] || { _q=-q && shift; }
    mstring_build $_q "$@" || return
    mstring_ctest "$1"
}

mstring_i386_native() {
    ! grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null
}

mstring_arch() {
    # The eight columns, then the flags: the rest of the line.
    _line=$(awk -v a="$1" '$1 == a { print; found = 1; exit } END { exit !found }' "$mstring_architectures") ||
        return
    # shellcheck disable=SC2034 # for the scripts that source this file
    read -r _ arch_triple arch_qemu arch_class arch_order arch_machine arch_linker arch_gtest arch_flags <<EOF
$_line
EOF
    [ "$arch_linker" != - ] || arch_linker=
}

mstring_arches() {
    awk '/^[a-z]/ { print $1 }' "$mstring_architectures"
}
