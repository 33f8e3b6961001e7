/* SPDX-License-Identifier: MIT */
/* msread: reads NUL-terminated records from standard input (the output of
 * find -print0 or env -0) and prints them one a line.
 *
 * Such input, with one more NUL behind it, already is a multi-string: it
 * is read into one block and used as it stands, in one pass, instead of
 * appending record by record (each mstradd_r measures the whole list).
 * A multi-string cannot hold an empty string after its first one, so an
 * empty record there is refused rather than silently dropped: the records
 * before it are printed, then msread names it and fails. */
#include <stdio.h>
#include <stdlib.h>

#include "mstring.h"

/* Reads all of stdin into a new block with two bytes to spare; stores the
 * number of bytes read in *len.  NULL when the heap or stdin fails.  The
 * block starts as a list, "\0\0", with NUL-filled room to read into. */
static char *slurp(size_t *len)
{
    size_t size = 4096, n = 0;
    char *buf = mstrinit("", size);

    while (buf != NULL) {
        n += fread(buf + n, 1, size - 2 - n, stdin);
        if (n < size - 2)
            break; /* end of input or an error */
        char *grown = realloc(buf, size * 2);
        if (grown == NULL)
            free(buf);
        buf = grown;
        size *= 2;
    }
    if (buf != NULL && ferror(stdin)) {
        free(buf);
        buf = NULL;
    }
    *len = n;
    return buf;
}

int main(void)
{
    size_t len;
    char *ms = slurp(&len);

    if (ms == NULL) {
        perror("msread");
        return 1;
    }
    if (len == 0) { /* no records: there is no multi-string to print */
        free(ms);
        return 0;
    }
    if (ms[len - 1] != '\0') /* a last record without its NUL */
        ms[len++] = '\0';
    ms[len] = '\0'; /* the final NUL */
    if (mstrsize(ms) != len + 1) { /* the list ends at an empty record */
        putms(ms);
        fflush(stdout);
        fprintf(stderr, "msread: record %d, at byte %lu, is empty; only the first string of a list can be empty\n",
                mstrcount(ms) + 1, (unsigned long)mstrsize(ms) - 1);
        free(ms);
        return 1;
    }
    putms(ms);
    free(ms);
    return fflush(stdout) == 0 && !ferror(stdout) ? 0 : 1;
}
