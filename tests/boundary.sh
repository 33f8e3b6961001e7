#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# boundary.sh ARCH LIB glibc LIBC, or boundary.sh ARCH LIB musl: reads the
# shared library LIB, built for ARCH (Debian's name: i386, amd64, arm64,
# armel, armhf, mips64el, mipsel, ppc64el, s390x, or the ports riscv64,
# ppc64, sparc64), with readelf and checks its whole binary boundary:
# format, hardening, exports, imports and needed libraries.  Built for
# glibc, LIBC is the libc.so.6 LIB was linked against (the compiler's
# -print-file-name=libc.so.6): each import must be at the version at which
# LIBC gives it to a new link.  musl versions nothing.
set -u
arch=$1 lib=$2 kind=$3 libc=${4:-}
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
expect() { # expect NAME WANT GOT
    [ "$2" = "$3" ] || fail "$1: want [$2], got [$3]"
}

# Each architecture's ELF class, byte order and machine, and for ARM the
# float ABI, which alone tells armel from armhf.
flags=
case $arch in
i386) class=ELF32 order=little machine="Intel 80386" ;;
amd64) class=ELF64 order=little machine="Advanced Micro Devices X86-64" ;;
arm64) class=ELF64 order=little machine=AArch64 ;;
armel) class=ELF32 order=little machine=ARM flags="soft-float ABI" ;;
armhf) class=ELF32 order=little machine=ARM flags="hard-float ABI" ;;
mips64el) class=ELF64 order=little machine="MIPS R3000" ;;
mipsel) class=ELF32 order=little machine="MIPS R3000" ;;
ppc64el) class=ELF64 order=little machine=PowerPC64 ;;
ppc64) class=ELF64 order=big machine=PowerPC64 ;;
s390x) class=ELF64 order=big machine="IBM S/390" ;;
riscv64) class=ELF64 order=little machine=RISC-V ;;
sparc64) class=ELF64 order=big machine="Sparc v9" ;;
*)
    echo "boundary.sh: no expectations for the architecture $arch"
    exit 1
    ;;
esac

# dynsyms FILE: its dynamic symbols, GLOBAL and WEAK ones alone, as
# "Ndx Bind Type Vis Name".  The columns are found by their names in
# readelf's heading; a bracketed note after Vis (ppc64el's
# "[<localentry>: 8]") is dropped first.  LOCAL entries, the null one and
# the section symbols ld.bfd keeps, are neither exports nor imports; nor
# are sparc64's nameless REGISTER entries, which declare the global
# registers the code uses.
dynsyms() {
    readelf --dyn-syms -W "$1" | awk '
        $1 == "Num:" { for (i = 1; i <= NF; i++) col[$i] = i; next }
        $1 ~ /^[0-9]+:$/ {
            gsub(/\[[^]]*\]/, "")
            $0 = $0
            bind = $col["Bind"]
            if ((bind == "GLOBAL" || bind == "WEAK") && $col["Type"] != "REGISTER")
                print $col["Ndx"], bind, $col["Type"], $col["Vis"], $col["Name"]
        }'
}

# The imports: these six functions of libc.  The compiler may copy inline
# instead of calling memcpy (clang does for every copy on s390x): memcpy
# alone may be missing.  Each is wanted at the version LIBC defines as its
# default (name@@VERSION), the one a link takes.
imports="free malloc memcpy puts realloc strncpy" inlinable="memcpy"
case $kind in
glibc)
    if [ ! -f "$libc" ]; then
        echo "boundary.sh: no C library [$libc]"
        exit 1
    fi
    libc_defaults=$(dynsyms "$libc" | awk '$1 != "UND" && $5 ~ /@@/ {print $5}')
    needed="[libc.so.6]"
    ;;
# musl's libc.so has no soname: a library linked with it names it so.
musl) libc_defaults= needed="[libc.so]" ;;
*)
    echo "boundary.sh: no expectations for the C library $kind"
    exit 1
    ;;
esac
syms=$(dynsyms "$lib")
got_imports=$(awk '$1 == "UND" {print $5}' <<<"$syms" | sort | paste -sd' ')
want_imports= inlined=
for f in $imports; do
    v=
    if [ "$kind" = glibc ]; then
        v=$(awk -v f="$f" -F'@@' '$1 == f {print $2}' <<<"$libc_defaults")
        [ -n "$v" ] || fail "$libc defines no default version of $f"
    fi
    case " $inlinable " in
    *" $f "*)
        if ! grep -qE "^$f(@|\$)" <<<"$(tr ' ' '\n' <<<"$got_imports")"; then
            inlined="$inlined $f"
            continue
        fi
        ;;
    esac
    want_imports="$want_imports $f${v:+@$v}"
done
want_imports=${want_imports# }
want_needs=$(tr ' ' '\n' <<<"$want_imports" | sed -n 's/.*@//p' | sort -u | paste -sd' ')

header=$(readelf -hW "$lib")
expect class "$class" "$(awk -F: '/Class:/ {gsub(/ /, "", $2); print $2}' <<<"$header")"
expect "byte order" "$order" "$(awk -F, '/Data:/ {sub(/ endian$/, "", $2); sub(/^ +/, "", $2); print $2}' <<<"$header")"
expect machine "$machine" "$(awk -F: '/Machine:/ {sub(/^ +/, "", $2); print $2}' <<<"$header")"
[ -z "$flags" ] || grep -q "Flags:.*, $flags" <<<"$header" || fail "flags: want [$flags]"
expect type DYN "$(awk '/Type:/ {print $2}' <<<"$header")"

dyn=$(readelf -dW "$lib")
expect soname "[libmstring.so.1]" "$(awk '/SONAME/ {print $NF}' <<<"$dyn")"
expect needed "$needed" "$(awk '/NEEDED/ {print $NF}' <<<"$dyn" | paste -sd' ')"
grep -qE 'TEXTREL|FLAGS.*TEXTREL' <<<"$dyn" && fail "text relocations"
grep -qE '\((INIT|FINI)(_ARRAY)?\)' <<<"$dyn" && fail "initialisers or finalisers present"
grep -qE '\(FLAGS\).*BIND_NOW' <<<"$dyn" || fail "no BIND_NOW (link with -z now)"
# x86 code marks its branch targets and shadow stack use (-fcf-protection);
# other architectures carry no x86 note.
want_cf=
case $arch in i386 | amd64) want_cf="IBT, SHSTK" ;; esac
expect "x86 features (-fcf-protection)" "$want_cf" \
    "$(readelf -nW "$lib" | sed -n 's/.*Properties: x86 feature: //p')"

stack=$(readelf -lW "$lib" | awk '$1 == "GNU_STACK" {print $7}')
expect "stack flags" RW "$stack"

defined=$(awk '$1 != "UND" {print $5}' <<<"$syms" | sort | paste -sd' ')
want="mkmstrl mkmstrv mstradd mstradd_r mstrcount mstrcpy mstrdup mstrindex mstrinit mstrsize putms putmss"
expect exports "$want" "$defined"
# IFUNC: a function whose code is chosen when the library is loaded, by
# glibc's loader; musl's loads none.
ifunc=IFUNC
[ "$kind" = glibc ] || ifunc=
bad=$(awk -v ifunc="$ifunc" '$1 != "UND" && !($2 == "GLOBAL" && ($3 == "FUNC" || $3 == ifunc) && $4 == "DEFAULT") {print}' <<<"$syms")
[ -z "$bad" ] || fail "exports that are not plain default-visibility functions: $bad"
grep -q '@' <<<"$defined" && fail "versioned exports"

# The library's own calls bind to its own code: no relocation may name an
# export, which a program's function of the same name would take over.
# Any word of a relocation line naming an export (with or without a
# version) is one, wherever readelf puts the symbol's column.
relocs=$(readelf -rW "$lib" | awk '$1 ~ /^[0-9a-f]+$/ {for (i = 2; i <= NF; i++) print $i}' | sed 's/@.*//' | sort -u)
hijackable=$(comm -12 <(tr ' ' '\n' <<<"$want" | sort) <(printf '%s\n' "$relocs") | paste -sd' ')
[ -z "$hijackable" ] || fail "relocations against exports: $hijackable"

expect imports "$want_imports" "$got_imports"
weak=$(awk '$1 == "UND" && $2 != "GLOBAL"' <<<"$syms")
[ -z "$weak" ] || fail "weak imports: $weak"

needs=$(readelf -VW "$lib" | awk '/Version needs/ {on = 1} on && /Name:/ {print $3}' | sort -u | paste -sd' ')
expect "version needs" "$want_needs" "$needs"
readelf -VW "$lib" | grep -q 'Version definition' && fail "the library defines symbol versions"

if [ "$fails" -eq 0 ]; then
    versions=${want_needs// /, }
    echo "boundary of $lib ($arch, $kind): ok: ${versions:-unversioned}${inlined:+;$inlined inlined}"
    exit 0
fi
exit 1
