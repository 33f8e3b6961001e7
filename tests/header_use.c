/* SPDX-License-Identifier: MIT */
/* Compiled as every C and C++ standard with warnings as errors. */
#include "mstring.h"
#include "mstring.h" /* the header guards itself */

#include <stdlib.h>

int header_use(int argc, char **argv);

int header_use(int argc, char **argv)
{
    char *a = mkmstrv(argv);
    char *b = mkmstrl("x", "y", (char *)0);
    int n = argc + mstrcount(a) + putms(b) + putmss(a, 1);
    if (mstradd_r(&a, mstrindex(b, 1)) != NULL)
        n += (int)mstrsize(a);
    free(a);
    free(b);
    return n;
}
