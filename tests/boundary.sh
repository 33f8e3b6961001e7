#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Reads the built shared library with readelf and checks its whole binary
# boundary: format, hardening, exports, imports and needed libraries.
set -u
lib=$1
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
expect() { # expect NAME WANT GOT
    [ "$2" = "$3" ] || fail "$1: want [$2], got [$3]"
}

header=$(readelf -hW "$lib")
expect class ELF32 "$(awk -F: '/Class:/ {gsub(/ /, "", $2); print $2}' <<<"$header")"
expect machine "Intel 80386" "$(awk -F: '/Machine:/ {sub(/^ +/, "", $2); print $2}' <<<"$header")"
expect type DYN "$(awk '/Type:/ {print $2}' <<<"$header")"

dyn=$(readelf -dW "$lib")
expect soname "[libmstring.so.1]" "$(awk '/SONAME/ {print $NF}' <<<"$dyn")"
expect needed "[libc.so.6]" "$(awk '/NEEDED/ {print $NF}' <<<"$dyn" | paste -sd' ')"
grep -qE 'TEXTREL|FLAGS.*TEXTREL' <<<"$dyn" && fail "text relocations"
grep -qE '\((INIT|FINI)(_ARRAY)?\)' <<<"$dyn" && fail "initialisers or finalisers present"
grep -qE '\(FLAGS\).*BIND_NOW' <<<"$dyn" || fail "no BIND_NOW (link with -z now)"
expect "x86 features (-fcf-protection)" "IBT, SHSTK" \
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

imports=$(awk '$1 == "UND" {print $5}' <<<"$syms" | sort | paste -sd' ')
expect imports "free@GLIBC_2.0 malloc@GLIBC_2.0 memcpy@GLIBC_2.0 puts@GLIBC_2.0 realloc@GLIBC_2.0 strncpy@GLIBC_2.0" "$imports"
weak=$(awk '$1 == "UND" && $2 != "GLOBAL"' <<<"$syms")
[ -z "$weak" ] || fail "weak or local imports: $weak"

needs=$(readelf -VW "$lib" | awk '/Version needs/ {on = 1} on && /Name:/ {print $3}' | sort -u | paste -sd' ')
expect "version needs" GLIBC_2.0 "$needs"
readelf -VW "$lib" | grep -q 'Version definition' && fail "the library defines symbol versions"

if [ "$fails" -eq 0 ]; then
    echo "boundary of $lib: ok"
    exit 0
fi
exit 1
