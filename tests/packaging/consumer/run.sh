#!/bin/sh
# SPDX-License-Identifier: MIT
# run.sh SOURCE BUILD CMAKE CC CXX ARCH
# Installs libmstring twice, as a packager and as a user would, and builds
# the examples against each installed copy for ARCH (i386 or amd64, as
# BUILD was built), with nothing from the source tree: with pkg-config and
# with a CMake project (find_package), linked with the shared library and
# -static with the archive.
#  1. A fresh build configured for the prefix /usr, installed with
#     DESTDIR: Debian's layout, lib/MULTIARCH, file by file.
#  2. BUILD, installed with cmake --install --prefix into a directory: the
#     pkg-config file must name that prefix.
#     Then copies of it without the static archive and without the shared
#     library, each with its export file, as packages that ship either
#     part alone: find_package must give the other part's target.
#  3. SOURCE as a subproject of the CMake project (add_subdirectory).
set -u
src=$1 build=$2 cmake=$3 cc=$4 cxx=$5 arch=$6
# The compiler flag for ARCH and the build option that gives it, Debian's
# multiarch directory for it, and the flag and word size of a project the
# package must turn down.
case $arch in
i386) m=-m32 m32=ON multiarch=i386-linux-gnu other=-m64 bits=32bit ;;
amd64) m=-m64 m32=OFF multiarch=x86_64-linux-gnu other=-m32 bits=64bit ;;
*)
    echo "run.sh: no consumers for the architecture $arch"
    exit 1
    ;;
esac
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
. "$(dirname "$0")/../bounded.sh"

expect_run() { # expect_run WANT PROGRAM ARG...: exact stdout, status 0
    printf "$1\n" >"$tmp/want"
    shift
    run_bounded 10 /dev/null "$tmp/got" "$tmp/err" "$@"
    set -- $? "$@"
    cmp -s "$tmp/want" "$tmp/got" && [ "$1" -eq 0 ] ||
        fail "$2: status $1 $(bound_reason "$1"), printed [$(head -c 200 "$tmp/got")]"
}

# Builds and runs the examples against an installed copy holding the
# shared library, the static archive or both (PARTS: shared, static or
# shared+static).
#   consume NAME PREFIX LIBDIR PARTS [VAR=VALUE...]: the variables set up
#   pkg-config.
consume() {
    name=$1 prefix=$2 libdir=$3 parts=$4
    shift 4
    shared=false static=false
    case $parts in *shared*) shared=true ;; esac
    case $parts in *static*) static=true ;; esac
    out=$tmp/$name
    mkdir -p "$out"
    flags=$(env "$@" pkg-config --cflags --libs mstring) || {
        fail "$name: pkg-config does not find mstring"
        return
    }
    echo "$name: pkg-config --cflags --libs mstring: $flags"
    case " $flags " in
    *" -L$libdir "*) ;;
    *) fail "$name: pkg-config gives no -L$libdir" ;;
    esac
    "$cc" $m -Wall -Werror -o "$out/mslist" "$src/examples/mslist.c" $flags &&
        "$cxx" $m -std=c++17 -Wall -Werror -o "$out/msview" "$src/examples/msview.cpp" $flags ||
        { fail "$name: the examples do not build with pkg-config's flags"; return; }
    # The program's own loader lists what it loads; ldd would ask whatever
    # runs the program, an emulator where the kernel runs no 32-bit programs.
    # -lmstring takes the archive where the shared library is missing.
    loader=$(readelf -lW "$out/mslist" | sed -n 's/.*program interpreter: \(.*\)]$/\1/p')
    ldd_line=$(LD_LIBRARY_PATH=$libdir "$loader" --list "$out/mslist" | grep libmstring)
    case "$shared:$ldd_line" in
    true:*"$libdir/libmstring.so.1"*) ;;
    false:) ;;
    *) fail "$name: mslist loads [$ldd_line]" ;;
    esac
    LD_LIBRARY_PATH=$libdir expect_run 'alpha\nbeta\n(2 strings, 12 bytes)' "$out/mslist" alpha "" beta
    LD_LIBRARY_PATH=$libdir expect_run '1 a\n3 bcd\nlongest: bcd\n(2 strings, 7 bytes)' "$out/msview" a bcd
    if $static; then
        flags=$(env "$@" pkg-config --static --cflags --libs mstring) &&
            "$cc" $m -static -Wall -Werror -o "$out/mslist_static" "$src/examples/mslist.c" $flags ||
            fail "$name: mslist does not link -static with pkg-config --static's flags"
        expect_run 'alpha\nbeta\n(2 strings, 12 bytes)' "$out/mslist_static" alpha "" beta
    fi

    CC=$cc CXX=$cxx CFLAGS=$m CXXFLAGS=$m "$cmake" -S "$src/tests/packaging/consumer" \
        -B "$out/cmake" -DCMAKE_PREFIX_PATH="$prefix" >"$out/cmake.log" 2>&1 &&
        "$cmake" --build "$out/cmake" >>"$out/cmake.log" 2>&1 ||
        { cat "$out/cmake.log"; fail "$name: the CMake project does not build"; return; }
    found=$(grep '^mstring_DIR:' "$out/cmake/CMakeCache.txt")
    echo "$name: find_package: $found"
    case "$found" in
    *"=$libdir/cmake/mstring") ;;
    *) fail "$name: find_package found [$found]" ;;
    esac
    # Each part's programs where the package has the part, and none where
    # it has not: find_package defines the targets of the parts there.
    for program in mslist msview mslist_static; do
        part=$shared
        [ "$program" != mslist_static ] || part=$static
        built=false
        [ ! -e "$out/cmake/$program" ] || built=true
        [ "$built" = "$part" ] || fail "$name: $program built: $built, want $part"
    done
    if $shared; then
        expect_run 'alpha\nbeta\n(2 strings, 12 bytes)' "$out/cmake/mslist" alpha "" beta
        expect_run '1 a\n3 bcd\nlongest: bcd\n(2 strings, 7 bytes)' "$out/cmake/msview" a bcd
    fi
    if $static; then
        expect_run 'alpha\nbeta\n(2 strings, 12 bytes)' "$out/cmake/mslist_static" alpha "" beta
        # A C program links the archive with the C compiler: no libstdc++.
        linker=$(sed 's/ .*//' "$out/cmake/CMakeFiles/mslist_static.dir/link.txt")
        [ "$linker" = "$(sed -n 's/^CMAKE_C_COMPILER:[A-Z]*=//p' "$out/cmake/CMakeCache.txt")" ] ||
            fail "$name: mslist_static is linked by $linker"
    fi
    [ "$parts" = shared+static ] || return 0

    # A project of the other word size, even pointed at the package, must
    # be turned down rather than handed a library it cannot link.
    CC=$cc CXX=$cxx CFLAGS=$other CXXFLAGS=$other "$cmake" -S "$src/tests/packaging/consumer" -B "$out/cmake-other" \
        -Dmstring_DIR="$libdir/cmake/mstring" >"$out/cmake-other.log" 2>&1 &&
        fail "$name: a project built with $other accepts the package"
    grep -q "($bits)" "$out/cmake-other.log" || fail "$name: no $bits mismatch reported for $other"
}

# 1. Debian's layout under DESTDIR.
root=$tmp/root
CC=$cc CXX=$cxx "$cmake" -S "$src" -B "$tmp/build" -DMSTRING_M32=$m32 -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF \
    >"$tmp/build.log" 2>&1 &&
    "$cmake" --build "$tmp/build" -j2 >>"$tmp/build.log" 2>&1 &&
    DESTDIR=$root "$cmake" --install "$tmp/build" >>"$tmp/build.log" 2>&1 ||
    { cat "$tmp/build.log"; echo "FAIL: building or installing for /usr"; exit 1; }
lib=usr/lib/$multiarch
want="usr/include/mstring.h
usr/include/mstring.hpp
$lib/cmake/mstring/mstring-config-version.cmake
$lib/cmake/mstring/mstring-config.cmake
$lib/cmake/mstring/mstring-shared-targets-release.cmake
$lib/cmake/mstring/mstring-shared-targets.cmake
$lib/cmake/mstring/mstring-static-targets-release.cmake
$lib/cmake/mstring/mstring-static-targets.cmake
$lib/libmstring.a
$lib/libmstring.so -> libmstring.so.1
$lib/libmstring.so.1 -> libmstring.so.1.0.0
$lib/libmstring.so.1.0.0
$lib/pkgconfig/mstring.pc"
for page in "$src"/man/*.3; do
    if [ -L "$page" ]; then
        want="$want
usr/share/man/man3/$(basename "$page") -> $(readlink "$page")"
    else
        want="$want
usr/share/man/man3/$(basename "$page")"
    fi
done
got=$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort | while read -r f; do
    if [ -L "$f" ]; then echo "$f -> $(readlink "$f")"; else echo "$f"; fi
done)
[ "$got" = "$(echo "$want" | sort)" ] || fail "installed files:
$got
want:
$(echo "$want" | sort)"
echo "installed under DESTDIR, prefix /usr: $(echo "$got" | wc -l) files"
sed -n 1p "$root/$lib/pkgconfig/mstring.pc" | grep -qx 'prefix=/usr' ||
    fail "mstring.pc: $(sed -n 1p "$root/$lib/pkgconfig/mstring.pc")"
# The installed pages, read by name as man finds them.
for name in mstring mstrcount mkmstrv; do
    MANPATH=$root/usr/share/man MANWIDTH=80 man 3 "$name" 2>&1 | grep -q "^ *$name\b" ||
        fail "man 3 $name shows no page that names $name"
done
consume destdir "$root/usr" "$root/$lib" shared+static \
    PKG_CONFIG_SYSROOT_DIR="$root" PKG_CONFIG_LIBDIR="$root/$lib/pkgconfig"
# Either part left out, with its export files, as a package split would.
for part in shared static; do
    copy=$tmp/root-$part
    cp -a "$root" "$copy"
    case $part in
    shared) rm "$copy/$lib/libmstring.a" "$copy/$lib/cmake/mstring/mstring-static-targets"*.cmake ;;
    static) rm "$copy/$lib/libmstring.so"* "$copy/$lib/cmake/mstring/mstring-shared-targets"*.cmake ;;
    esac
    consume "$part-only" "$copy/usr" "$copy/$lib" "$part" \
        PKG_CONFIG_SYSROOT_DIR="$copy" PKG_CONFIG_LIBDIR="$copy/$lib/pkgconfig"
done

# 2. The tested build, at a prefix chosen when installing.
prefix=$tmp/prefix
"$cmake" --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 ||
    { cat "$tmp/install.log"; echo "FAIL: cmake --install --prefix"; exit 1; }
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
sed -n 1p "$prefix/$libdir/pkgconfig/mstring.pc" | grep -qx "prefix=$prefix" ||
    fail "mstring.pc names $(sed -n 1p "$prefix/$libdir/pkgconfig/mstring.pc")"
# The archive is there where the tested build built it (MSTRING_STATIC).
parts=shared
! grep -qx 'MSTRING_STATIC:BOOL=ON' "$build/CMakeCache.txt" || parts=shared+static
consume prefix "$prefix" "$prefix/$libdir" "$parts" PKG_CONFIG_LIBDIR="$prefix/$libdir/pkgconfig"

# 3. A parent project with the source tree as a subdirectory: it gets the
# library and nothing else (no tests, examples or install rules), and its
# own build type and flags stay as it set them.
out=$tmp/subproject
CC=$cc CXX=$cxx CFLAGS=$m CXXFLAGS=$m "$cmake" -S "$src/tests/packaging/consumer" -B "$out" \
    -DMSTRING_SOURCE="$src" >"$tmp/subproject.log" 2>&1 &&
    "$cmake" --build "$out" -j2 >>"$tmp/subproject.log" 2>&1 &&
    DESTDIR=$tmp/subproject-root "$cmake" --install "$out" >>"$tmp/subproject.log" 2>&1 ||
    { cat "$tmp/subproject.log"; fail "subproject: the parent project does not build"; }
expect_run 'alpha\nbeta\n(2 strings, 12 bytes)' "$out/mslist" alpha "" beta
expect_run '1 a\n3 bcd\nlongest: bcd\n(2 strings, 7 bytes)' "$out/msview" a bcd
expect_run 'alpha\nbeta\n(2 strings, 12 bytes)' "$out/mslist_static" alpha "" beta
for dir in tests examples; do
    [ ! -e "$out/mstring/$dir" ] || fail "subproject: builds its $dir"
done
[ ! -e "$tmp/subproject-root" ] || fail "subproject: installs $(find "$tmp/subproject-root" ! -type d)"
grep -qx 'CMAKE_BUILD_TYPE:STRING=' "$out/CMakeCache.txt" || fail "subproject: changes the build type"
grep -qx "CMAKE_C_FLAGS:STRING=$m" "$out/CMakeCache.txt" || fail "subproject: changes CMAKE_C_FLAGS"
! grep -q '^BUILD_TESTING:' "$out/CMakeCache.txt" || fail "subproject: adds BUILD_TESTING"
! grep -q -e -fcf-protection -e -fno-rtti "$out/CMakeFiles/msview.dir/flags.make" ||
    fail "subproject: the library's compile options reach the parent's programs"

if [ "$fails" -eq 0 ]; then
    echo "consumers: ok"
    exit 0
fi
exit 1
