// SPDX-License-Identifier: MIT
// The x86 processor probe and the selector: what CPUID and XGETBV values
// mean, which variant each set of features gets, and the resolvers'
// agreement with both on this processor.
#include <gtest/gtest.h>

#include <cstdio>

#include "variants.h"

namespace {

using namespace mstring_internal;

TEST(Probe_mstrsize_mstrcount_mstrindex, FeaturesFromCpuidAndXcr0)
{
    // Leaf 1 ecx and edx of a processor with everything the variants use,
    // leaf 7 ebx with AVX2, BMI1 and AVX-512 (F, BW, VL) and ecx with
    // AVX512VBMI, and XCR0 saving the x87, xmm, ymm, opmask and zmm state.
    const unsigned ecx = bit_POPCNT | bit_OSXSAVE | bit_AVX, edx = bit_SSE2;
    const unsigned ebx7 = bit_AVX2 | bit_BMI | bit_AVX512F | bit_AVX512BW | bit_AVX512VL, xcr0 = 0xe7;
    const unsigned ecx7 = bit_AVX512VBMI;
    const unsigned all = sse2 | popcnt | avx2 | avx512;
    const struct {
        const char *what;
        cpuid_values values;
        unsigned want;
        bool xgetbv;
    } cases[] = {
        {"everything", {13, ecx, edx, ebx7, ecx7, xcr0}, all, true},
        {"leaf 7 highest", {7, ecx, edx, ebx7, ecx7, xcr0}, all, true},
        {"no leaf 1", {0, ecx, edx, ebx7, ecx7, xcr0}, 0, false},
        {"leaf 1 highest", {1, ecx, edx, ebx7, ecx7, xcr0}, sse2 | popcnt, true},
        {"SSE2 without POPCNT", {13, ecx & ~bit_POPCNT, edx, ebx7, ecx7, xcr0}, sse2 | avx2 | avx512, true},
        {"POPCNT without SSE2", {1, bit_POPCNT, 0, 0, 0, 0}, popcnt, false},
        {"AVX2 without BMI1", {13, ecx, edx, ebx7 & ~bit_BMI, ecx7, xcr0}, sse2 | popcnt, true},
        {"BMI1 without AVX2", {13, ecx, edx, ebx7 & ~bit_AVX2, ecx7, xcr0}, sse2 | popcnt | avx512, true},
        {"AVX2 without AVX", {13, ecx & ~bit_AVX, edx, ebx7, ecx7, xcr0}, sse2 | popcnt, true},
        // XCR0 as if read, where XGETBV may not be executed.
        {"AVX without OSXSAVE", {13, ecx & ~bit_OSXSAVE, edx, ebx7, ecx7, xcr0}, sse2 | popcnt, false},
        {"XCR0 without the ymm state", {13, ecx, edx, ebx7, ecx7, 0xe3}, sse2 | popcnt, true},
        {"XCR0 without the xmm state", {13, ecx, edx, ebx7, ecx7, 0xe5}, sse2 | popcnt, true},
        {"AVX-512 without BW", {13, ecx, edx, ebx7 & ~bit_AVX512BW, ecx7, xcr0}, sse2 | popcnt | avx2, true},
        {"AVX-512 without VL", {13, ecx, edx, ebx7 & ~bit_AVX512VL, ecx7, xcr0}, sse2 | popcnt | avx2, true},
        {"AVX-512 without VBMI", {13, ecx, edx, ebx7, 0, xcr0}, sse2 | popcnt | avx2, true},
        {"AVX-512 without F", {13, ecx, edx, ebx7 & ~bit_AVX512F, ecx7, xcr0}, sse2 | popcnt | avx2, true},
        {"XCR0 without the opmask state", {13, ecx, edx, ebx7, ecx7, 0xc7}, sse2 | popcnt | avx2, true},
        {"XCR0 without the upper zmm0-15", {13, ecx, edx, ebx7, ecx7, 0xa7}, sse2 | popcnt | avx2, true},
        {"XCR0 without zmm16-31", {13, ecx, edx, ebx7, ecx7, 0x67}, sse2 | popcnt | avx2, true},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(features_of(c.values), c.want) << c.what;
        EXPECT_EQ(has_xgetbv(c.values), c.xgetbv) << c.what;
    }
}

// The selector takes the best variant a processor can run, and the
// resolvers of the exported functions take the selector's.
extern "C" {
size_t (*pick_mstrsize())(const char *);
int (*pick_mstrcount())(const char *);
char *(*pick_mstrindex())(const char *, int);
}

TEST(Selector_mstrsize_mstrcount_mstrindex, PicksTheBestVariantTheProcessorRuns)
{
    // AVX-512 has a variant on amd64 only (see variants.h).
    bool wide = false;
    for (const variant &v : variants)
        wide = wide || (v.needs & avx512) != 0;
    const struct {
        unsigned features;
        const char *want;
    } cases[] = {
        {blocks, "word"},
        {blocks | popcnt, "word"},
        {blocks | sse2, "sse2"},
        {blocks | sse2 | popcnt, "sse2_popcnt"},
        {blocks | sse2 | avx2, "sse2"},
        {blocks | sse2 | popcnt | avx2, "avx2"},
        {blocks | sse2 | popcnt | avx512, wide ? "avx512" : "sse2_popcnt"},
        {blocks | sse2 | popcnt | avx2 | avx512, wide ? "avx512" : "avx2"},
        // Under valgrind, whatever the processor.
        {0, "bytes"},
        {sse2 | popcnt | avx2, "bytes"},
    };
    for (const auto &c : cases)
        EXPECT_STREQ(select(c.features).name, c.want) << "features " << c.features;

    // The probe against the compiler's own reading of the processor (which
    // valgrind presents as it chooses).
    unsigned here = MSTRING_UNDER_VALGRIND ? 0u : unsigned{blocks};
    if (__builtin_cpu_supports("sse2"))
        here |= sse2;
    if (__builtin_cpu_supports("popcnt"))
        here |= popcnt;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi"))
        here |= avx2;
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("bmi"))
        here |= avx512;
    EXPECT_EQ(cpu_features(), here);
    const variant &best = select(here);
    std::printf("selected: %s\n", best.name);
    EXPECT_EQ(pick_mstrsize(), best.size);
    EXPECT_EQ(pick_mstrcount(), best.count);
    EXPECT_EQ(pick_mstrindex(), best.index);
}

} // namespace
