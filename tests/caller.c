/* SPDX-License-Identifier: MIT */
/*
 * A caller's program as memory checkers see one: every function on lists
 * of 2 bytes to 8 KiB, each in a heap block that ends with its final NUL
 * and starts at offset 0 to 63 before the list (0: a block of exactly the
 * list's size; the bytes before a later start are never written).
 * scripts/check valgrind runs it under memcheck with its default options
 * and no suppressions, where it must cause no report; it checks every
 * result, so it fails on a wrong one anywhere.
 *
 * "caller unterminated" instead reads a list that lacks its final NUL,
 * "ab\0" in a block of 3 bytes, which memcheck must report.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "check.h"
#include "mstring.h"

enum { kMaxStrings = 4096 };

static unsigned long seed = 1;

static unsigned next(unsigned bound)
{
    seed = seed * 1103515245 + 12345;
    return (unsigned)(seed >> 16) % bound;
}

/* A list of exactly size bytes: strings of random lengths, the first
 * sometimes empty, with their starts in start[] and count in *count. */
static void make_list(char *ms, size_t size, size_t *start, int *count)
{
    size_t at = 0;
    *count = 0;
    while (at < size - 1) {
        size_t left = size - 1 - at, len = 1 + next(left < 40 ? (unsigned)left : 40);
        if (at == 0 && left != 2 && (left == 1 || next(4) == 0))
            len = 0; /* an empty first string */
        else if (len + 1 > left || left - (len + 1) == 1)
            len = left - 1; /* the rest, as one byte cannot hold a string */
        start[(*count)++] = at;
        memset(ms + at, 'a' + (int)next(26), len);
        ms[at + len] = '\0';
        at += len + 1;
    }
    ms[size - 1] = '\0';
    start[*count] = size - 1;
}

/* The building functions, with the strings of ms, a block of exactly the
 * list's size. */
static void build_list(const char *ms, size_t size, const size_t *start, int count)
{
    static const char *v[kMaxStrings + 1];
    char *built;
    int n;
    for (n = 0; n < count; n++)
        v[n] = ms + start[n];
    v[count] = NULL;
    built = mkmstrv((char *const *)v);
    CHECK(built != NULL && memcmp(built, ms, size) == 0);
    free(built);

    built = mstrinit(v[0], 0);
    for (n = 1; built != NULL && n < count; n++)
        CHECK(mstradd_r(&built, v[n]) != NULL);
    CHECK(built != NULL && memcmp(built, ms, size) == 0);
    free(built);

    built = count > 1 ? mkmstrl(v[0], v[count - 1], (char *)0) : mkmstrl(v[0], (char *)0);
    CHECK(built != NULL && mstrcount(built) == (count > 1 ? 2 : 1));
    free(built);
}

/* Every reading, copying and printing function on the list, placed
 * offset bytes into its block, and the building ones at offset 0. */
static void use_list(const char *want, size_t size, const size_t *start, int count, size_t offset)
{
    char *block = malloc(offset + size), *ms = block + offset, *copy;
    size_t len;
    int n, lines, sum = 0;
    memcpy(ms, want, size);
    CHECK(mstrsize(ms) == size);
    CHECK(mstrcount(ms) == count);
    for (n = 1; n <= count + 1; n += n < 3 || n >= count - 1 ? 1 : count / 3)
        CHECK(mstrindex(ms, n) == ms + start[n - 1]);
    CHECK(mstrindex(ms, count + 2) == NULL);

    copy = mstrdup(ms);
    CHECK(copy != NULL && memcmp(copy, want, size) == 0);
    free(copy);
    copy = malloc(size);
    CHECK(mstrcpy(copy, ms) == copy && memcmp(copy, want, size) == 0);
    free(copy);
    /* In place, the list's last string, into a block with just the room:
     * an empty one (the list "\0\0") still writes a NUL. */
    len = size - 2 - start[count - 1];
    copy = malloc(size + len + 1);
    memcpy(copy, want, size);
    CHECK(mstradd(copy, ms + start[count - 1]) == copy);
    CHECK(mstrsize(copy) == (len != 0 ? size + len + 1 : size));
    free(copy);

    if (offset == 0) {
        lines = putms(ms);
        for (n = 1; n <= count; n++)
            sum += putmss(ms, n);
        CHECK(lines == sum);
        build_list(ms, size, start, count);
    }
    free(block);
}

int main(int argc, char **argv)
{
    static size_t start[kMaxStrings + 1];
    static char want[8192];
    size_t size, offset;
    int count;

    if (argc > 1 && strcmp(argv[1], "unterminated") == 0) {
        char *ms = malloc(3);
        memcpy(ms, "ab", 3);
        printf("mstrsize of an unterminated list: %lu\n", (unsigned long)mstrsize(ms));
        free(ms);
        return 0;
    }
    if (freopen("/dev/null", "w", stdout) == NULL)
        return 1;
    for (size = 2; size <= sizeof want; size += size < 300 ? 1 : size / 4) {
        make_list(want, size, start, &count);
        for (offset = 0; offset < 64; offset++)
            use_list(want, size, start, count, offset);
    }
    fprintf(stderr, "caller: %s\n", failed ? "FAILED" : "ok");
    return failed != 0;
}
