/* SPDX-License-Identifier: MIT */
/*
 * A program with functions of its own named mstrsize, mstrcount, mstrindex
 * and mstrinit, all giving wrong answers.  They take over the program's
 * own calls to those names, but the library's other functions must still
 * read and build lists with the library's code.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "check.h"
#include "mstring.h"

size_t mstrsize(const char *ms)
{
    (void)ms;
    return 1;
}

int mstrcount(const char *ms)
{
    (void)ms;
    return 7;
}

char *mstrindex(const char *ms, int n)
{
    (void)n;
    return (char *)ms;
}

char *mstrinit(const char *s, size_t size)
{
    (void)s;
    (void)size;
    return NULL;
}

int main(void)
{
    char buf[16] = "a\0\0";
    char copy[16];
    char *ms, *dup;
    char *v[3];
    char text[16];
    FILE *out;

    CHECK(memcmp(mstradd(buf, "bc"), "a\0bc\0\0", 6) == 0);
    memset(copy, 'x', sizeof copy);
    CHECK(memcmp(mstrcpy(copy, buf), "a\0bc\0\0x", 7) == 0);
    dup = mstrdup(buf);
    CHECK(dup != NULL && memcmp(dup, "a\0bc\0\0", 6) == 0);
    CHECK(mstradd_r(&dup, "d") != NULL && memcmp(dup, "a\0bc\0d\0\0", 8) == 0);
    free(dup);

    ms = mkmstrl("one", "two", (char *)0);
    CHECK(ms != NULL && memcmp(ms, "one\0two\0\0", 9) == 0);
    free(ms);
    v[0] = "x";
    v[1] = "yz";
    v[2] = NULL;
    ms = mkmstrv(v);
    CHECK(ms != NULL && memcmp(ms, "x\0yz\0\0", 6) == 0);
    free(ms);

    /* The lines go to a temporary file, read back at the end. */
    out = tmpfile();
    fflush(stdout);
    if (out == NULL || dup2(fileno(out), 1) < 0)
        return 1;
    CHECK(putmss(buf, 4) == EOF);
    CHECK(putmss(buf, 2) >= 0);
    CHECK(putmss(buf, 3) >= 0);
    CHECK(putms(buf) >= 0);
    fflush(stdout);
    rewind(out);
    CHECK(fread(text, 1, sizeof text, out) == 9 && memcmp(text, "bc\n\na\nbc\n", 9) == 0);
    return failed != 0;
}
