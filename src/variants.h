// SPDX-License-Identifier: MIT
// The scan variants, one per instruction set, the processor probe and the
// selector.  The resolvers of mstrsize, mstrcount and mstrindex, the tests
// and the benchmark all take their variants from here.
#ifndef MSTRING_VARIANTS_H
#define MSTRING_VARIANTS_H

#include <cpuid.h>

#include <cstddef>

#include "scan-word.h"

namespace mstring_internal {

// Processor features, as bits.  avx2 stands for AVX2 and BMI1 with the
// ymm registers enabled by the system.
enum feature : unsigned { sse2 = 1, popcnt = 2, avx2 = 4 };

// For the code that resolvers run: they run while the program is being
// loaded and relocated, before any sanitizer runtime is ready.
#ifdef __clang__
#define MSTRING_RESOLVES __attribute__((__no_sanitize__("address", "undefined", "coverage")))
#else
#define MSTRING_RESOLVES __attribute__((__no_sanitize__("address", "undefined")))
#endif

// The features of this processor.  Resolvers call it before the library's
// relocations may be relied on: it only executes CPUID and XGETBV, by
// cpuid.h's macros (its functions are instrumented in sanitizer builds).
MSTRING_RESOLVES inline unsigned cpu_features()
{
    unsigned leaves, a, b, c, d, features = 0;
    __cpuid(0, leaves, b, c, d);
    if (leaves < 1)
        return 0;
    __cpuid(1, a, b, c, d);
    if (d & bit_SSE2)
        features |= sse2;
    if (c & bit_POPCNT)
        features |= popcnt;
    if ((c & bit_OSXSAVE) && (c & bit_AVX)) {
        unsigned xcr0, high;
        __asm__("xgetbv" : "=a"(xcr0), "=d"(high) : "c"(0));
        // bits 1 and 2: the system saves the xmm and ymm registers
        if ((xcr0 & 6) == 6 && leaves >= 7) {
            __cpuid_count(7, 0, a, b, c, d);
            if ((b & bit_AVX2) && (b & bit_BMI))
                features |= avx2;
        }
    }
    return features;
}

std::size_t avx2_size(const char *ms);
int avx2_count(const char *ms);
char *avx2_index(const char *ms, int n);
std::size_t sse2_popcnt_size(const char *ms);
int sse2_popcnt_count(const char *ms);
char *sse2_popcnt_index(const char *ms, int n);
std::size_t sse2_size(const char *ms);
int sse2_count(const char *ms);
char *sse2_index(const char *ms, int n);
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

// Every scan variant must appear here, best first: the selector takes the
// first whose needs the processor meets, and the tests and the benchmark
// run each variant the processor can.
inline constexpr variant variants[] = {
    {"avx2", avx2 | popcnt, avx2_size, avx2_count, avx2_index},
    {"sse2_popcnt", sse2 | popcnt, sse2_popcnt_size, sse2_popcnt_count, sse2_popcnt_index},
    {"sse2", sse2, sse2_size, sse2_count, sse2_index},
    {"word", 0, word_size, word_count, word_index},
};

MSTRING_RESOLVES inline const variant &select(unsigned features)
{
    const variant *v = variants;
    while ((v->needs & ~features) != 0)
        ++v;
    return *v;
}

} // namespace mstring_internal

#endif
