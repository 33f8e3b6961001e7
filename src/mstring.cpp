// SPDX-License-Identifier: MIT
// Creating, copying and appending in place.  The reading functions are
// in dispatch.cpp, which chooses each one's variant for the processor.
#include "mstring.h"

#include <stdlib.h>
#include <string.h>

#include "blocks.h"
#include "mstring-internal.h"

using mstring_internal::length;

char *mstrinit(const char *s, size_t size)
{
    if (size == 1)
        return nullptr;
    if (size == 0)
        size = mstring_internal::size_with(1, length(s));
    if (size == 0) // strlen(s) + 2 does not fit in size_t
        return nullptr;
    char *block = static_cast<char *>(malloc(size));
    if (block == nullptr)
        return nullptr;
    strncpy(block, s, size); // NUL-fills the rest of the block
    block[size - 2] = '\0';
    block[size - 1] = '\0';
    return block;
}

char *mstring_init(const char *, size_t) __attribute__((__alias__("mstrinit")));

void mstring_internal::append(char *ms, size_t size, const char *s, size_t len)
{
    char *end = ms + size - 1;
    memcpy(end, s, len);
    end[len] = '\0';
    end[len + 1] = '\0';
}

char *mstradd(char *ms, const char *s)
{
    mstring_internal::append(ms, mstring_size(ms), s, length(s));
    return ms;
}

char *mstrcpy(char *dst, const char *src)
{
    return static_cast<char *>(memcpy(dst, src, mstring_size(src)));
}

char *mstrdup(const char *src)
{
    size_t size = mstring_size(src);
    char *block = static_cast<char *>(malloc(size));
    if (block == nullptr)
        return nullptr;
    return static_cast<char *>(memcpy(block, src, size));
}
