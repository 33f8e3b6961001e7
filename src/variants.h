// SPDX-License-Identifier: MIT
// The scan variants and the selector.  The resolvers of mstrsize,
// mstrcount and mstrindex, the tests and the benchmark all take their
// variants from here.  This is the one place that knows the architecture
// and the C library: on x86 there is a variant per instruction set and
// the exported reading functions are chosen among them, when the library
// is loaded (GNU indirect functions) where the C library's loader resolves
// those (glibc), else by their first call (musl); elsewhere the portable
// word variant is the only one, and the exported functions are its
// functions.  The byte order is the word adapter's alone (scan-word.h).
#ifndef MSTRING_VARIANTS_H
#define MSTRING_VARIANTS_H

// The C library names itself here: glibc defines __GLIBC__, musl nothing.
#include <features.h>

#include <cstddef>

#include "scan-word.h"

// The ways the exported reading functions can reach their variant.
#define MSTRING_ONE_VARIANT 0          // they are the one variant's functions
#define MSTRING_CHOSEN_AT_LOAD 1       // GNU indirect functions (ifunc)
#define MSTRING_CHOSEN_AT_FIRST_CALL 2 // a pointer that the first call sets

// MSTRING_VARIANTS(X) calls X(name, adapter, target, needs) for every
// variant, best first: the selector takes the first whose needs (features)
// the processor meets.  target is the attribute its code is compiled with.
#if defined(__i386__) || defined(__x86_64__)
#include "cpu-x86.h"
#include "scan-avx2.h"
#include "scan-avx512.h"
#include "scan-sse2.h"
// AVX-512's 64-bit masks pay on amd64; on i386, whose registers hold 32
// bits of them, the AVX2 variant is faster.
#ifdef __x86_64__
#define MSTRING_AVX512_VARIANT(X)                                                                             \
    X(avx512, avx512_scan, __attribute__((__target__("avx512f,avx512bw,avx512vl,popcnt,bmi"))),               \
      blocks | avx512 | popcnt)
#else
#define MSTRING_AVX512_VARIANT(X)
#endif
#define MSTRING_VARIANTS(X)                                                                                   \
    MSTRING_AVX512_VARIANT(X)                                                                                 \
    X(avx2, avx2_scan, __attribute__((__target__("avx2,popcnt,bmi"))), blocks | avx2 | popcnt)                \
    X(sse2_popcnt, sse2_scan<true>, __attribute__((__target__("sse2,popcnt"))), blocks | sse2 | popcnt)       \
    X(sse2, sse2_scan<false>, __attribute__((__target__("sse2"))), blocks | sse2)                             \
    X(word, word_scan, , blocks)                                                                              \
    X(bytes, byte_scan, , 0)
// How the exported reading functions reach the variant chosen (mstring.cpp).
#ifdef __GLIBC__
#define MSTRING_CHOICE MSTRING_CHOSEN_AT_LOAD
#else
#define MSTRING_CHOICE MSTRING_CHOSEN_AT_FIRST_CALL
#endif
#else
#define MSTRING_VARIANTS(X) X(word, word_scan, , 0)
#define MSTRING_CHOICE MSTRING_ONE_VARIANT
#define MSTRING_RESOLVES
namespace mstring_internal {
// No probe: the one variant needs nothing.
constexpr unsigned cpu_features()
{
    return 0;
}
} // namespace mstring_internal
#endif

namespace mstring_internal {

#define MSTRING_DECLARE_VARIANT(name, A, target, needs)                                                       \
    std::size_t name##_size(const char *ms);                                                                  \
    int name##_count(const char *ms);                                                                         \
    char *name##_index(const char *ms, int n);
MSTRING_VARIANTS(MSTRING_DECLARE_VARIANT)
#undef MSTRING_DECLARE_VARIANT

struct variant {
    const char *name;
    unsigned needs; // features
    std::size_t (*size)(const char *);
    int (*count)(const char *);
    char *(*index)(const char *, int);
};

// Every scan variant, best first; the tests and the benchmark run each
// variant the processor can.
#define MSTRING_LIST_VARIANT(name, A, target, needs) {#name, needs, name##_size, name##_count, name##_index},
inline constexpr variant variants[] = {MSTRING_VARIANTS(MSTRING_LIST_VARIANT)};
#undef MSTRING_LIST_VARIANT

MSTRING_RESOLVES inline const variant &select(unsigned features)
{
    const variant *v = variants;
    while ((v->needs & ~features) != 0)
        ++v;
    return *v;
}

} // namespace mstring_internal

#endif
