// SPDX-License-Identifier: MIT
// Reading, creating, copying and appending in place.
#include "mstring.h"

#include <stdlib.h>
#include <string.h>

#include "mstring-internal.h"

using mstring_internal::length;

// The scan skeleton compiled for each adapter, with the adapter's
// instruction set: flatten inlines the skeleton and the adapter into each
// function, so that all of it is compiled for that set.  The entries see
// the first block alone and hand longer lists to the rest functions, kept
// apart so that an entry needs no loop and no stack frame.
#define MSTRING_VARIANT(name, A, target, needs)                                                               \
    target __attribute__((__flatten__, __noinline__)) MSTRING_SCANS static std::size_t                        \
    name##_size_rest(const char *ms)                                                                          \
    {                                                                                                         \
        return scan::size_rest<A>(ms);                                                                        \
    }                                                                                                         \
    target __attribute__((__flatten__, __noinline__)) MSTRING_SCANS static int                                \
    name##_count_rest(const char *ms)                                                                         \
    {                                                                                                         \
        return scan::count_rest<A>(ms);                                                                       \
    }                                                                                                         \
    target __attribute__((__flatten__, __noinline__)) MSTRING_SCANS static char *                             \
    name##_index_rest(const char *ms, int n)                                                                  \
    {                                                                                                         \
        return scan::index_rest<A>(ms, n);                                                                    \
    }                                                                                                         \
    target __attribute__((__flatten__)) MSTRING_SCANS std::size_t name##_size(const char *ms)                 \
    {                                                                                                         \
        return scan::size<A>(ms, [](const char *p) { return name##_size_rest(p); });                          \
    }                                                                                                         \
    target __attribute__((__flatten__)) MSTRING_SCANS int name##_count(const char *ms)                        \
    {                                                                                                         \
        return scan::count<A>(ms, [](const char *p) { return name##_count_rest(p); });                        \
    }                                                                                                         \
    target __attribute__((__flatten__)) MSTRING_SCANS char *name##_index(const char *ms, int n)               \
    {                                                                                                         \
        return scan::index<A>(ms, n, [](const char *p, int k) { return name##_index_rest(p, k); });           \
    }

namespace mstring_internal {
MSTRING_VARIANTS(MSTRING_VARIANT)
} // namespace mstring_internal

#if MSTRING_CHOICE != MSTRING_ONE_VARIANT
// The reading functions use the best variant the processor can run (see
// variants.h), chosen once.  The resolvers run before the library's
// relocations may be relied on, so they only probe the processor and
// read the list.
namespace {

using size_fn = size_t (*)(const char *);
using count_fn = int (*)(const char *);
using index_fn = char *(*)(const char *, int);

} // namespace

extern "C" {
MSTRING_RESOLVES size_fn pick_mstrsize()
{
    return mstring_internal::select(mstring_internal::cpu_features()).size;
}
MSTRING_RESOLVES count_fn pick_mstrcount()
{
    return mstring_internal::select(mstring_internal::cpu_features()).count;
}
MSTRING_RESOLVES index_fn pick_mstrindex()
{
    return mstring_internal::select(mstring_internal::cpu_features()).index;
}
}
#endif

#if MSTRING_CHOICE == MSTRING_CHOSEN_AT_LOAD
// Chosen when the library is loaded (GNU indirect functions).
size_t mstrsize(const char *) __attribute__((__ifunc__("pick_mstrsize")));
int mstrcount(const char *) __attribute__((__ifunc__("pick_mstrcount")));
char *mstrindex(const char *, int) __attribute__((__ifunc__("pick_mstrindex")));

// The names that the library's own calls use (mstring-internal.h).  Of
// default visibility, so that compilers call them through the PLT even in
// this file; the version script keeps them local to the library.
#define MSTRING_VIA_PLT __attribute__((__visibility__("default")))
MSTRING_VIA_PLT size_t mstring_size(const char *) __attribute__((__ifunc__("pick_mstrsize")));
MSTRING_VIA_PLT char *mstring_index(const char *, int) __attribute__((__ifunc__("pick_mstrindex")));
#else
#if MSTRING_CHOICE == MSTRING_CHOSEN_AT_FIRST_CALL
// Chosen by the first call, where the loader has no indirect functions:
// each function calls through a pointer that starts at a chooser, which
// stores the resolver's choice there and calls it.  Threads that meet in
// a chooser store the same choice; the pointers are loaded and stored
// atomically (relaxed: code needs no ordering).
namespace {

size_t size_first(const char *ms);
int count_first(const char *ms);
char *index_first(const char *ms, int n);

size_fn size_now = size_first;
count_fn count_now = count_first;
index_fn index_now = index_first;

size_t size_first(const char *ms)
{
    size_fn chosen = pick_mstrsize();
    __atomic_store_n(&size_now, chosen, __ATOMIC_RELAXED);
    return chosen(ms);
}

int count_first(const char *ms)
{
    count_fn chosen = pick_mstrcount();
    __atomic_store_n(&count_now, chosen, __ATOMIC_RELAXED);
    return chosen(ms);
}

char *index_first(const char *ms, int n)
{
    index_fn chosen = pick_mstrindex();
    __atomic_store_n(&index_now, chosen, __ATOMIC_RELAXED);
    return chosen(ms, n);
}

} // namespace

size_t mstrsize(const char *ms)
{
    return __atomic_load_n(&size_now, __ATOMIC_RELAXED)(ms);
}
int mstrcount(const char *ms)
{
    return __atomic_load_n(&count_now, __ATOMIC_RELAXED)(ms);
}
char *mstrindex(const char *ms, int n)
{
    return __atomic_load_n(&index_now, __ATOMIC_RELAXED)(ms, n);
}
#else
// One variant: the reading functions are its functions.
__attribute__((__flatten__)) size_t mstrsize(const char *ms)
{
    return mstring_internal::word_size(ms);
}
__attribute__((__flatten__)) int mstrcount(const char *ms)
{
    return mstring_internal::word_count(ms);
}
__attribute__((__flatten__)) char *mstrindex(const char *ms, int n)
{
    return mstring_internal::word_index(ms, n);
}
#endif
// The names that the library's own calls use (mstring-internal.h).
size_t mstring_size(const char *) __attribute__((__alias__("mstrsize")));
char *mstring_index(const char *, int) __attribute__((__alias__("mstrindex")));
#endif

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
