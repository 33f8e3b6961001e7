// Reading, creating, copying and appending in place.
#include "mstring.h"

#include <stdlib.h>
#include <string.h>

#include "mstring-internal.h"

using mstring_internal::length;
using mstring_internal::walk;

size_t mstrsize(const char *ms)
{
    return static_cast<size_t>(walk(ms, [](const char *) {}) - ms) + 1;
}

int mstrcount(const char *ms)
{
    int count = 0;
    walk(ms, [&count](const char *) { ++count; });
    return count;
}

char *mstrindex(const char *ms, int n)
{
    if (n < 1)
        return nullptr;
    const char *p = ms;
    for (int i = 1; i < n; ++i) {
        if (*p == '\0' && p != ms) // p is the final NUL: no string i + 1
            return nullptr;
        p += length(p) + 1;
    }
    return const_cast<char *>(p);
}

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

void mstring_internal::append(char *ms, size_t size, const char *s, size_t len)
{
    char *end = ms + size - 1;
    memcpy(end, s, len);
    end[len] = '\0';
    end[len + 1] = '\0';
}

char *mstradd(char *ms, const char *s)
{
    mstring_internal::append(ms, mstrsize(ms), s, length(s));
    return ms;
}

char *mstrcpy(char *dst, const char *src)
{
    return static_cast<char *>(memcpy(dst, src, mstrsize(src)));
}

char *mstrdup(const char *src)
{
    size_t size = mstrsize(src);
    char *block = static_cast<char *>(malloc(size));
    if (block == nullptr)
        return nullptr;
    return static_cast<char *>(memcpy(block, src, size));
}
