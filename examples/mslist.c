/* SPDX-License-Identifier: MIT */
/* mslist: builds a multi-string from its arguments and prints it, one
 * string a line, then its count and size. */
#include <stdio.h>
#include <stdlib.h>

#include "mstring.h"

int main(int argc, char **argv)
{
    /* Without arguments argv + 1 is an empty vector, for which mkmstrv
     * returns NULL: a list holds at least one string. */
    char *ms = mkmstrv(argv + 1);

    if (ms == NULL && argc < 2) {
        fputs("usage: mslist STRING...\n", stderr);
        return 2;
    }
    if (ms == NULL) {
        fputs("mslist: out of memory\n", stderr);
        return 1;
    }
    if (putms(ms) >= 0)
        printf("(%d strings, %lu bytes)\n", mstrcount(ms), (unsigned long)mstrsize(ms));
    free(ms);
    return fflush(stdout) == 0 && !ferror(stdout) ? 0 : 1;
}
