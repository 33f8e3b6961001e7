#!/bin/sh
# SPDX-License-Identifier: MIT
# man.sh MANDIR HEADER LIBRARY VERSION CC [CFLAG...]
# Checks the section 3 pages in MANDIR: they render without a warning under
# groff, mandoc and man; each has the sections a library page needs; every
# function of HEADER has a page, under its own name, whose synopsis gives
# exactly the header's prototype; and the program in each page's EXAMPLES,
# compiled with CC against HEADER and LIBRARY, prints what the page says
# (within 10 seconds and 1 MiB).
set -u
mandir=$1 header=$2 library=$3 version=$4
shift 4
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
. "$(dirname "$0")/bounded.sh"

# Prototypes with the attribute macros taken out and spacing made uniform.
normalize() {
    sed -e 's|/\*.*\*/||g' -e 's/[[:space:]]\{1,\}/ /g' -e 's/ *\([(),;]\) */\1/g' \
        -e 's/,/, /g' -e 's/^ //' -e 's/ $//'
}
grep '^MSTRING_API' "$header" | sed 's/MSTRING_[A-Z]* //g' | normalize | sort >"$tmp/header"
[ -s "$tmp/header" ] || fail "no prototypes found in $header"

# Plain text of a page, wide enough that no prototype wraps.
render() { mandoc -T ascii -O width=250 "$1" | col -b; }
section() { # section NAME < text: the lines under heading NAME
    awk -v name="$1" '/^[A-Z]/ {on = ($0 == name); next} on'
}
# Roff escapes used in the pages' program text.
unescape() { sed -e 's/\\-/-/g' -e "s/\\\\(aq/'/g" -e 's/\\&//g' -e 's/\\e/\\/g'; }

: >"$tmp/synopses"
for page in "$mandir"/*.3; do
    [ -L "$page" ] && continue # a function's link to a shared page
    name=$(basename "$page")
    warnings=$( { groff -man -ww -z "$page"; } 2>&1)
    [ -z "$warnings" ] || fail "$name: groff: $warnings"
    warnings=$(mandoc -T lint "$page" 2>&1)
    [ -z "$warnings" ] || fail "$name: mandoc: $warnings"
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >"$tmp/man.txt")
    [ -z "$warnings" ] || fail "$name: man: $warnings"
    grep -q '^NAME' "$tmp/man.txt" || fail "$name: man -l shows no NAME"

    grep -m 1 "^\.TH " "$page" | grep -q "\"libmstring $version\"\$" ||
        fail "$name: .TH does not name libmstring $version"
    render "$page" >"$tmp/page"
    for s in NAME LIBRARY SYNOPSIS DESCRIPTION "RETURN VALUE" EXAMPLES "SEE ALSO"; do
        grep -qx "$s" "$tmp/page" || fail "$name: no $s section"
    done
    grep -qx -e ERRORS -e NOTES "$tmp/page" || fail "$name: neither ERRORS nor NOTES"
    section "SEE ALSO" <"$tmp/page" | tr -d '\n' | grep -q 'argz_add(3).*puts(3)' ||
        fail "$name: SEE ALSO lacks argz_add(3) or puts(3)"
    section DESCRIPTION <"$tmp/page" | grep -q '^ *Memory: ' ||
        fail "$name: DESCRIPTION states no memory rule"
    section SYNOPSIS <"$tmp/page" | grep '(' | normalize >>"$tmp/synopses"

    # EXAMPLES: the output the page shows, then the program that prints it.
    awk -v dir="$tmp" '
        /^\.SH/ { on = ($2 == "EXAMPLES"); next }
        on && /^\.EX/ { n++; file = dir "/example" n; printf "" >file; next }
        on && /^\.EE/ { close(file); file = ""; next }
        file != "" { print >file }
        END { print n + 0 >(dir "/blocks") }' "$page"
    if [ "$(cat "$tmp/blocks")" != 2 ]; then
        fail "$name: EXAMPLES must hold an output block and a program"
        continue
    fi
    unescape <"$tmp/example1" >"$tmp/want"
    unescape <"$tmp/example2" >"$tmp/example.c"
    if "$@" -std=c99 -Wall -Wextra -pedantic -Werror -I"$(dirname "$header")" \
            -o "$tmp/example" "$tmp/example.c" "$library" \
            -Wl,-rpath,"$(dirname "$library")" 2>"$tmp/cc.txt"; then
        run_bounded 10 /dev/null "$tmp/got" "$tmp/err" "$tmp/example"
        status=$?
        [ "$status" -eq 0 ] || fail "$name: example exits with status $status $(bound_reason $status)"
        cmp -s "$tmp/want" "$tmp/got" ||
            fail "$name: example prints$(printf '\n'; head -c 2000 "$tmp/got")"
    else
        fail "$name: example does not compile: $(cat "$tmp/cc.txt")"
    fi
done

# Every function: a page under its name that lists it and gives its
# prototype; and no synopsis gives a prototype the header lacks.
while read -r proto; do
    fn=$(printf '%s\n' "$proto" | sed 's/(.*//; s/.*[ *]//')
    page="$mandir/$fn.3"
    if [ ! -f "$page" ]; then
        fail "$fn: no page $fn.3"
        continue
    fi
    render "$page" | section NAME | grep -q "\\b$fn\\b" || fail "$fn.3: NAME does not list $fn"
    render "$page" | section SYNOPSIS | grep '(' | normalize | grep -qxF "$proto" ||
        fail "$fn.3: synopsis lacks [$proto]"
done <"$tmp/header"
sort -u "$tmp/synopses" | while read -r proto; do
    grep -qxF "$proto" "$tmp/header" || echo "FAIL: a synopsis gives [$proto], the header does not"
done | tee "$tmp/extra"
[ -s "$tmp/extra" ] && fails=$((fails + 1))

pages=$(find "$mandir" -name '*.3' | wc -l)
if [ "$fails" -eq 0 ]; then
    echo "man pages: $pages names, all clean"
    exit 0
fi
exit 1
