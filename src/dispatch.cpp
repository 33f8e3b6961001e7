// SPDX-License-Identifier: MIT
// The reading functions: each scan variant's mstrsize, mstrcount and
// mstrindex, and how the exported names (and the library's own names for
// them, mstring-internal.h) reach the variant chosen for the processor.
//
// A new variant: its adapter (scan-*.h, with the macro of what its code is
// compiled with), its entry and declarations in variants.h, and its six
// lines below.  A new reading function: its declaration for each variant
// and its member of struct variant in variants.h; here, its two lines per
// variant, its resolver, and its exported name in each way of choosing;
// its name in mstring.map.
#include "mstring.h"

#include <stddef.h>

#include "mstring-internal.h"
#include "scan.h"
#include "variants.h"

// Each variant is the scan skeleton with the variant's adapter, compiled
// with the adapter's instruction set: flatten inlines the skeleton and the
// adapter into each function, so that all of it is compiled for that set.
// The entries see the first block alone and hand longer lists to the rest
// functions, kept apart so that an entry needs no loop and no stack frame.
#define MSTRING_ENTRY __attribute__((__flatten__))
#define MSTRING_REST __attribute__((__flatten__, __noinline__))

namespace mstring_internal {

#if MSTRING_WITH_AVX512
MSTRING_AVX512 MSTRING_REST static size_t avx512_size_rest(const char *ms) { return scan::size_rest<avx512_scan>(ms); }
MSTRING_AVX512 MSTRING_REST static int avx512_count_rest(const char *ms) { return scan::count_rest<avx512_scan>(ms); }
MSTRING_AVX512 MSTRING_REST static char *avx512_index_rest(const char *ms, int n) { return scan::index_rest<avx512_scan>(ms, n); }
MSTRING_AVX512 MSTRING_ENTRY size_t avx512_size(const char *ms) { return scan::size<avx512_scan, avx512_size_rest>(ms); }
MSTRING_AVX512 MSTRING_ENTRY int avx512_count(const char *ms) { return scan::count<avx512_scan, avx512_count_rest>(ms); }
MSTRING_AVX512 MSTRING_ENTRY char *avx512_index(const char *ms, int n) { return scan::index<avx512_scan, avx512_index_rest>(ms, n); }
#endif

#if MSTRING_X86
MSTRING_AVX2 MSTRING_REST static size_t avx2_size_rest(const char *ms) { return scan::size_rest<avx2_scan>(ms); }
MSTRING_AVX2 MSTRING_REST static int avx2_count_rest(const char *ms) { return scan::count_rest<avx2_scan>(ms); }
MSTRING_AVX2 MSTRING_REST static char *avx2_index_rest(const char *ms, int n) { return scan::index_rest<avx2_scan>(ms, n); }
MSTRING_AVX2 MSTRING_ENTRY size_t avx2_size(const char *ms) { return scan::size<avx2_scan, avx2_size_rest>(ms); }
MSTRING_AVX2 MSTRING_ENTRY int avx2_count(const char *ms) { return scan::count<avx2_scan, avx2_count_rest>(ms); }
MSTRING_AVX2 MSTRING_ENTRY char *avx2_index(const char *ms, int n) { return scan::index<avx2_scan, avx2_index_rest>(ms, n); }

MSTRING_SSE2_POPCNT MSTRING_REST static size_t sse2_popcnt_size_rest(const char *ms) { return scan::size_rest<sse2_scan<true>>(ms); }
MSTRING_SSE2_POPCNT MSTRING_REST static int sse2_popcnt_count_rest(const char *ms) { return scan::count_rest<sse2_scan<true>>(ms); }
MSTRING_SSE2_POPCNT MSTRING_REST static char *sse2_popcnt_index_rest(const char *ms, int n) { return scan::index_rest<sse2_scan<true>>(ms, n); }
MSTRING_SSE2_POPCNT MSTRING_ENTRY size_t sse2_popcnt_size(const char *ms) { return scan::size<sse2_scan<true>, sse2_popcnt_size_rest>(ms); }
MSTRING_SSE2_POPCNT MSTRING_ENTRY int sse2_popcnt_count(const char *ms) { return scan::count<sse2_scan<true>, sse2_popcnt_count_rest>(ms); }
MSTRING_SSE2_POPCNT MSTRING_ENTRY char *sse2_popcnt_index(const char *ms, int n) { return scan::index<sse2_scan<true>, sse2_popcnt_index_rest>(ms, n); }

MSTRING_SSE2 MSTRING_REST static size_t sse2_size_rest(const char *ms) { return scan::size_rest<sse2_scan<false>>(ms); }
MSTRING_SSE2 MSTRING_REST static int sse2_count_rest(const char *ms) { return scan::count_rest<sse2_scan<false>>(ms); }
MSTRING_SSE2 MSTRING_REST static char *sse2_index_rest(const char *ms, int n) { return scan::index_rest<sse2_scan<false>>(ms, n); }
MSTRING_SSE2 MSTRING_ENTRY size_t sse2_size(const char *ms) { return scan::size<sse2_scan<false>, sse2_size_rest>(ms); }
MSTRING_SSE2 MSTRING_ENTRY int sse2_count(const char *ms) { return scan::count<sse2_scan<false>, sse2_count_rest>(ms); }
MSTRING_SSE2 MSTRING_ENTRY char *sse2_index(const char *ms, int n) { return scan::index<sse2_scan<false>, sse2_index_rest>(ms, n); }

MSTRING_WORD MSTRING_REST static size_t bytes_size_rest(const char *ms) { return scan::size_rest<byte_scan>(ms); }
MSTRING_WORD MSTRING_REST static int bytes_count_rest(const char *ms) { return scan::count_rest<byte_scan>(ms); }
MSTRING_WORD MSTRING_REST static char *bytes_index_rest(const char *ms, int n) { return scan::index_rest<byte_scan>(ms, n); }
MSTRING_WORD MSTRING_ENTRY size_t bytes_size(const char *ms) { return scan::size<byte_scan, bytes_size_rest>(ms); }
MSTRING_WORD MSTRING_ENTRY int bytes_count(const char *ms) { return scan::count<byte_scan, bytes_count_rest>(ms); }
MSTRING_WORD MSTRING_ENTRY char *bytes_index(const char *ms, int n) { return scan::index<byte_scan, bytes_index_rest>(ms, n); }
#endif

MSTRING_WORD MSTRING_REST static size_t word_size_rest(const char *ms) { return scan::size_rest<word_scan>(ms); }
MSTRING_WORD MSTRING_REST static int word_count_rest(const char *ms) { return scan::count_rest<word_scan>(ms); }
MSTRING_WORD MSTRING_REST static char *word_index_rest(const char *ms, int n) { return scan::index_rest<word_scan>(ms, n); }
MSTRING_WORD MSTRING_ENTRY size_t word_size(const char *ms) { return scan::size<word_scan, word_size_rest>(ms); }
MSTRING_WORD MSTRING_ENTRY int word_count(const char *ms) { return scan::count<word_scan, word_count_rest>(ms); }
MSTRING_WORD MSTRING_ENTRY char *word_index(const char *ms, int n) { return scan::index<word_scan, word_index_rest>(ms, n); }

} // namespace mstring_internal

#if MSTRING_CHOICE == MSTRING_ONE_VARIANT
// One variant: the reading functions are its functions.
MSTRING_ENTRY size_t mstrsize(const char *ms)
{
    return mstring_internal::word_size(ms);
}
MSTRING_ENTRY int mstrcount(const char *ms)
{
    return mstring_internal::word_count(ms);
}
MSTRING_ENTRY char *mstrindex(const char *ms, int n)
{
    return mstring_internal::word_index(ms, n);
}
size_t mstring_size(const char *) __attribute__((__alias__("mstrsize")));
char *mstring_index(const char *, int) __attribute__((__alias__("mstrindex")));
#else
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

#if MSTRING_CHOICE == MSTRING_CHOSEN_AT_LOAD
// Chosen when the library is loaded (GNU indirect functions).
size_t mstrsize(const char *) __attribute__((__ifunc__("pick_mstrsize")));
int mstrcount(const char *) __attribute__((__ifunc__("pick_mstrcount")));
char *mstrindex(const char *, int) __attribute__((__ifunc__("pick_mstrindex")));

// The library's own names, resolved the same way.  Of default visibility,
// so that compilers call them through the PLT even in this file; the
// version script keeps them local to the library.
#define MSTRING_VIA_PLT __attribute__((__visibility__("default")))
MSTRING_VIA_PLT size_t mstring_size(const char *) __attribute__((__ifunc__("pick_mstrsize")));
MSTRING_VIA_PLT char *mstring_index(const char *, int) __attribute__((__ifunc__("pick_mstrindex")));
#else
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
size_t mstring_size(const char *) __attribute__((__alias__("mstrsize")));
char *mstring_index(const char *, int) __attribute__((__alias__("mstrindex")));
#endif
#endif
