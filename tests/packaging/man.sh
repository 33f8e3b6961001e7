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
# The header's text for each function, one line "NAME<tab>TEXT": the
# comment above its prototype; "mstring" gets the comment at the top.
awk '/^#ifndef MSTRING_H/ { top = text; text = "" }
    /^\/\*/ { text = ""; incomment = 1 }
    incomment { line = $0; sub(/^ *\/?\*+ ?/, "", line); sub(/ *\*\/ *$/, "", line); text = text " " line }
    /\*\// { incomment = 0 }
    /^MSTRING_API/ {
        fn = $0; sub(/\(.*/, "", fn); sub(/.*[ *]/, "", fn)
        gsub(/[ \t]+/, " ", text); print fn "\t" text; text = ""
    }
    END { gsub(/[ \t]+/, " ", top); print "mstring\t" top }' "$header" >"$tmp/contract"

# contradictions NAMES < text: what a page states that the header does not.
# In DESCRIPTION, RETURN VALUE, ERRORS and NOTES every paragraph is held to
# the header's text for the library as a whole, for NAMES (the functions
# the page is about) and for the functions it names as f() or f(3):
#  - every sum or difference ("strlen(s) + 2", "c + 1", "size - 2") and
#    every "at least N", "n = N" and "size N" must appear there;
#  - in RETURN VALUE, NULL and EOF only for a function whose own text
#    names them (the first function the paragraph names).
# It cannot check what prose claims: words such as "one byte more", which
# function a number belongs to when the header's text for another named
# function has it too, or whether the number plays the same part there.
contradictions() {
    awk -v contract="$tmp/contract" -v names="$1" '
    function normal(s) { gsub(/size (is|of|from) /, "size ", s); return s }
    function check(what, pattern, allowed,    s) {
        for (s = para; match(s, pattern); s = substr(s, RSTART + RLENGTH))
            if (index(allowed, substr(s, RSTART, RLENGTH)) == 0)
                print section ": " what " [" substr(s, RSTART, RLENGTH) "]: not in the header for" fns
    }
    function flush(    s, f, allowed, i, n, list, subject) {
        if (para == "" || section !~ /^(DESCRIPTION|RETURN VALUE|ERRORS|NOTES)$/) {
            para = ""
            return
        }
        para = normal(para)
        fns = " " names
        subject = ""
        for (s = para; match(s, /[a-z_]+\((3)?\)/); s = substr(s, RSTART + RLENGTH)) {
            f = substr(s, RSTART, RLENGTH)
            sub(/\(.*/, "", f)
            if (f in text && subject == "")
                subject = f
            if (f in text && index(fns " ", " " f " ") == 0)
                fns = fns " " f
        }
        allowed = text["mstring"]
        n = split(fns, list, " ")
        for (i = 1; i <= n; i++)
            allowed = allowed " " text[list[i]]
        check("the expression", expr, allowed)
        check("the bound", "(at least|n =|size) -?[0-9]+", allowed)
        if (section == "RETURN VALUE" && subject != "")
            check("the result", "NULL|EOF", text[subject])
        para = ""
    }
    BEGIN {
        while ((getline line <contract) > 0) {
            i = index(line, "\t")
            text[substr(line, 1, i - 1)] = normal(substr(line, i + 1))
        }
        term = "([A-Za-z_][A-Za-z0-9_]*(\\([^()]*\\))?|[0-9]+)"
        expr = term "( [-+] " term ")+"
    }
    /^[A-Z]/ { flush(); section = $0; next }
    /^ *$/ { flush(); next }
    { sub(/^ +/, ""); para = para " " $0 }
    END { flush() }'
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
    names=$(section NAME <"$tmp/page" | sed 's/^ *//; s/ - .*//; s/,//g')
    [ "$names" != mstring ] || names=$(cut -f 1 "$tmp/contract") # the overview
    contradictions "$names" <"$tmp/page" >"$tmp/contradictions"
    while read -r line; do
        fail "$name: $line"
    done <"$tmp/contradictions"

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
