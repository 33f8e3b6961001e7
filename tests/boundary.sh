#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# boundary.sh ARCH LIB: reads the shared library LIB, built for ARCH
# (Debian's name: i386, amd64, arm64), with readelf and checks its whole
# binary boundary: format, hardening, exports, imports and needed
# libraries.
set -u
arch=$1 lib=$2
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
expect() { # expect NAME WANT GOT
    [ "$2" = "$3" ] || fail "$1: want [$2], got [$3]"
}

# Each architecture's ELF class and machine, and the versions at which its
# glibc gives the imports: its first (memcpy's changed on amd64).
imports="free malloc memcpy puts realloc strncpy" memcpy=
case $arch in
i386) class=ELF32 machine="Intel 80386" glibc=GLIBC_2.0 ;;
amd64) class=ELF64 machine="Advanced Micro Devices X86-64" glibc=GLIBC_2.2.5 memcpy=GLIBC_2.14 ;;
arm64) class=ELF64 machine=AArch64 glibc=GLIBC_2.17 ;;
*)
    echo "boundary.sh: no expectations for the architecture $arch"
    exit 1
    ;;
esac
want_imports=$(for f in $imports; do
    if [ "$f" = memcpy ]; then echo "$f@${memcpy:-$glibc}"; else echo "$f@$glibc"; fi
done | paste -sd' ')
want_needs=$(printf '%s\n' "$glibc" ${memcpy:+"$memcpy"} | sort -u | paste -sd' ')

header=$(readelf -hW "$lib")
expect class "$class" "$(awk -F: '/Class:/ {gsub(/ /, "", $2); print $2}' <<<"$header")"
expect machine "$machine" "$(awk -F: '/Machine:/ {sub(/^ +/, "", $2); print $2}' <<<"$header")"
expect type DYN "$(awk '/Type:/ {print $2}' <<<"$header")"

dyn=$(readelf -dW "$lib")
expect soname "[libmstring.so.1]" "$(awk '/SONAME/ {print $NF}' <<<"$dyn")"
expect needed "[libc.so.6]" "$(awk '/NEEDED/ {print $NF}' <<<"$dyn" | paste -sd' ')"
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

# Dynamic symbols: "Ndx Bind Type Vis Name" for every entry but the null one.
syms=$(readelf --dyn-syms -W "$lib" | awk '$1 ~ /^[0-9]+:$/ && $8 != "" {print $7, $5, $4, $6, $8}')
defined=$(awk '$1 != "UND" {print $5}' <<<"$syms" | sort | paste -sd' ')
want="mkmstrl mkmstrv mstradd mstradd_r mstrcount mstrcpy mstrdup mstrindex mstrinit mstrsize putms putmss"
expect exports "$want" "$defined"
# IFUNC: a function whose code is chosen when the library is loaded.
bad=$(awk '$1 != "UND" && !($2 == "GLOBAL" && ($3 == "FUNC" || $3 == "IFUNC") && $4 == "DEFAULT") {print}' <<<"$syms")
[ -z "$bad" ] || fail "exports that are not plain default-visibility functions: $bad"
grep -q '@' <<<"$(awk '$1 != "UND" {print $5}' <<<"$syms")" && fail "versioned exports"

# The library's own calls bind to its own code: no relocation may name an
# export, which a program's function of the same name would take over.
relocs=$(readelf -rW "$lib" | awk 'NF >= 5 && $1 ~ /^[0-9a-f]+$/ {print $5}' | sort -u)
hijackable=$(comm -12 <(tr ' ' '\n' <<<"$want" | sort) <(sed 's/@.*//' <<<"$relocs" | sort) | paste -sd' ')
[ -z "$hijackable" ] || fail "relocations against exports: $hijackable"

expect imports "$want_imports" "$(awk '$1 == "UND" {print $5}' <<<"$syms" | sort | paste -sd' ')"
weak=$(awk '$1 == "UND" && $2 != "GLOBAL"' <<<"$syms")
[ -z "$weak" ] || fail "weak or local imports: $weak"

needs=$(readelf -VW "$lib" | awk '/Version needs/ {on = 1} on && /Name:/ {print $3}' | sort -u | paste -sd' ')
expect "version needs" "$want_needs" "$needs"
readelf -VW "$lib" | grep -q 'Version definition' && fail "the library defines symbol versions"

if [ "$fails" -eq 0 ]; then
    echo "boundary of $lib ($arch): ok"
    exit 0
fi
exit 1
