/* SPDX-License-Identifier: MIT */
/* Every function called from C, through the header alone. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "check.h"
#include "mstring.h"

int main(int argc, char **argv)
{
    char *ms, *copy, *fromv;
    char buf[32];
    int total;

    (void)argc;
    ms = mkmstrl("alpha", "", "beta", "gamma", (char *)0);
    CHECK(ms != NULL);
    CHECK(mstrsize(ms) == 18);
    CHECK(mstrcount(ms) == 3);
    CHECK(strcmp(mstrindex(ms, 3), "gamma") == 0);
    CHECK(*mstrindex(ms, 4) == '\0' && mstrindex(ms, 5) == NULL);

    CHECK(mstradd_r(&ms, mstrindex(ms, 2)) == ms);
    CHECK(memcmp(ms, "alpha\0beta\0gamma\0beta\0\0", 23) == 0);

    copy = mstrdup(ms);
    CHECK(copy != NULL && memcmp(copy, ms, 23) == 0);

    memset(buf, 'X', sizeof buf);
    CHECK(mstrcpy(buf, "ab\0\0") == buf && memcmp(buf, "ab\0\0X", 5) == 0);
    CHECK(mstradd(buf, "c") == buf && memcmp(buf, "ab\0c\0\0X", 7) == 0);

    free(copy);
    copy = mstrinit("xyz", 8);
    CHECK(copy != NULL && memcmp(copy, "xyz\0\0\0\0\0", 8) == 0);

    fromv = mkmstrv(argv); /* char ** passes without a cast */
    CHECK(fromv != NULL && strcmp(fromv, argv[0]) == 0);

    /* What puts returned: bytes written with glibc, 0 with musl. */
    total = putms(ms);
    CHECK(total == puts("alpha") + puts("beta") + puts("gamma") + puts("beta"));
    CHECK(putmss(ms, 0) == 0 && putmss(ms, 9) == EOF);
    CHECK(putmss(copy, 1) == puts("xyz"));

    free(fromv);
    free(copy);
    free(ms);
    printf("c_api: %s\n", failed ? "FAILED" : "ok");
    return failed != 0;
}
