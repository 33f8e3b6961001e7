// SPDX-License-Identifier: MIT
// The scan variants and the selector.  The dispatch (dispatch.cpp), the
// tests and the benchmark all take their variants from here.  This is the
// one place that knows the architecture and the C library: on x86 there is
// a variant per instruction set and the exported reading functions are
// chosen among them, when the library is loaded (GNU indirect functions)
// where the C library's loader resolves those (glibc), else by their first
// call (musl); elsewhere the portable word variant is the only one, and
// the exported functions are its functions.  The byte order and the width
// of a word are the word adapter's alone (scan-word.h).
#ifndef MSTRING_VARIANTS_H
#define MSTRING_VARIANTS_H

// The C library names itself here: glibc defines __GLIBC__, musl nothing.
#include <features.h>

#include <cstddef>

#include "sanitizers.h"
#include "scan-word.h"

// The ways the exported reading functions can reach their variant.
#define MSTRING_ONE_VARIANT 0          // they are the one variant's functions
#define MSTRING_CHOSEN_AT_LOAD 1       // GNU indirect functions (ifunc)
#define MSTRING_CHOSEN_AT_FIRST_CALL 2 // a pointer that the first call sets

#if defined(__i386__) || defined(__x86_64__)
#include "cpu-x86.h"
#include "scan-avx2.h"
#include "scan-avx512.h"
#include "scan-sse2.h"
#define MSTRING_X86 1
// AVX-512's 64-bit masks pay where a word holds one (amd64); on i386,
// whose registers hold 32 bits of them, the AVX2 variant is faster.
#define MSTRING_WITH_AVX512 (MSTRING_WORD_BITS == 64)
#ifdef __GLIBC__
#define MSTRING_CHOICE MSTRING_CHOSEN_AT_LOAD
#else
#define MSTRING_CHOICE MSTRING_CHOSEN_AT_FIRST_CALL
#endif
#else
#define MSTRING_X86 0
#define MSTRING_WITH_AVX512 0
#define MSTRING_CHOICE MSTRING_ONE_VARIANT
#endif

namespace mstring_internal {

// Each variant's reading functions (dispatch.cpp): the scan skeleton
// (scan.h) with the variant's adapter, compiled for its instruction set.
#if MSTRING_WITH_AVX512
std::size_t avx512_size(const char *ms);
int avx512_count(const char *ms);
char *avx512_index(const char *ms, int n);
#endif
#if MSTRING_X86
std::size_t avx2_size(const char *ms);
int avx2_count(const char *ms);
char *avx2_index(const char *ms, int n);
std::size_t sse2_popcnt_size(const char *ms);
int sse2_popcnt_count(const char *ms);
char *sse2_popcnt_index(const char *ms, int n);
std::size_t sse2_size(const char *ms);
int sse2_count(const char *ms);
char *sse2_index(const char *ms, int n);
std::size_t bytes_size(const char *ms);
int bytes_count(const char *ms);
char *bytes_index(const char *ms, int n);
#endif
std::size_t word_size(const char *ms);
int word_count(const char *ms);
char *word_index(const char *ms, int n);

struct variant {
    const char *name;
    unsigned needs; // features
    std::size_t (*size)(const char *);
    int (*count)(const char *);
    char *(*index)(const char *, int);
};

// Every scan variant, best first, with the features it needs: the
// selector takes the first that the processor has the features for.  The
// tests and the benchmark run each variant the processor can.
#if MSTRING_X86
inline constexpr variant variants[] = {
#if MSTRING_WITH_AVX512
    {"avx512", blocks | avx512 | popcnt, avx512_size, avx512_count, avx512_index},
#endif
    {"avx2", blocks | avx2 | popcnt, avx2_size, avx2_count, avx2_index},
    {"sse2_popcnt", blocks | sse2 | popcnt, sse2_popcnt_size, sse2_popcnt_count, sse2_popcnt_index},
    {"sse2", blocks | sse2, sse2_size, sse2_count, sse2_index},
    {"word", blocks, word_size, word_count, word_index},
    {"bytes", 0, bytes_size, bytes_count, bytes_index},
};
#else
inline constexpr variant variants[] = {
    {"word", 0, word_size, word_count, word_index},
};
#endif

// The features of the processor at hand: the x86 probe's (cpu-x86.h), or
// none where the one variant needs none.
MSTRING_RESOLVES inline unsigned cpu_features()
{
#if MSTRING_X86
    return x86_features();
#else
    return 0;
#endif
}

MSTRING_RESOLVES inline const variant &select(unsigned features)
{
    const variant *v = variants;
    while ((v->needs & ~features) != 0)
        ++v;
    return *v;
}

} // namespace mstring_internal

#endif
