// SPDX-License-Identifier: MIT
// Printing strings to standard output, one line each.
#include "mstring.h"

#include <stdio.h>

#include "blocks.h"
#include "mstring-internal.h"

int putmss(const char *ms, int n)
{
    if (n == 0)
        return 0;
    const char *s = mstring_index(ms, n);
    return s != nullptr ? puts(s) : EOF;
}

int putms(const char *ms)
{
    // One pass over the strings; unsigned so that a huge total wraps
    // instead of overflowing.
    unsigned total = 0;
    mstring_internal::walk(ms, [&total](const char *s) { total += static_cast<unsigned>(puts(s)); });
    return static_cast<int>(total);
}
