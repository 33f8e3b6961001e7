// SPDX-License-Identifier: MIT
// Reading, creating, copying and appending in place.
#include "mstring.h"

#include <cpuid.h>
#include <stdlib.h>
#include <string.h>

#include "mstring-internal.h"

using mstring_internal::length;

// The reading functions scan with SSE2 where the processor has it, and a
// word at a time elsewhere: the choice is made once, when the library is
// loaded (GNU indirect functions).  The resolvers run before the library's
// relocations may be relied on, so they only read cpuid.
namespace {

bool has_sse2()
{
    unsigned a, b, c, d;
    return __get_cpuid(1, &a, &b, &c, &d) != 0 && (d & bit_SSE2) != 0;
}

using size_fn = size_t (*)(const char *);
using count_fn = int (*)(const char *);
using index_fn = char *(*)(const char *, int);

} // namespace

extern "C" {
size_fn pick_mstrsize()
{
    return has_sse2() ? mstring_internal::sse2_size : mstring_internal::word_size;
}
count_fn pick_mstrcount()
{
    return has_sse2() ? mstring_internal::sse2_count : mstring_internal::word_count;
}
index_fn pick_mstrindex()
{
    return has_sse2() ? mstring_internal::sse2_index : mstring_internal::word_index;
}
}

size_t mstrsize(const char *) __attribute__((__ifunc__("pick_mstrsize")));
int mstrcount(const char *) __attribute__((__ifunc__("pick_mstrcount")));
char *mstrindex(const char *, int) __attribute__((__ifunc__("pick_mstrindex")));

// The names that the library's own calls use (mstring-internal.h).
size_t mstring_size(const char *) __attribute__((__ifunc__("pick_mstrsize")));
char *mstring_index(const char *, int) __attribute__((__ifunc__("pick_mstrindex")));

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
