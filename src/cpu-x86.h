// SPDX-License-Identifier: MIT
// The x86 processor probe: which of the scan variants' instruction sets
// the processor runs and its system has enabled.  What the processor says
// is read in one place (x86_features) and judged in another (features_of),
// a pure function of the values read, so that every case can be tested.
#ifndef MSTRING_CPU_X86_H
#define MSTRING_CPU_X86_H

#include <cpuid.h>

#include "sanitizers.h"

// Whether the process runs under valgrind, by valgrind's client request
// (a few instructions that do nothing on a processor), where its header
// was there to build with and MSTRING_NO_VALGRIND does not leave it out.
// Without it the library never knows, and memcheck reports the block
// reads past a list's end in a caller's program.
#if !defined(MSTRING_NO_VALGRIND) && __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#define MSTRING_UNDER_VALGRIND (RUNNING_ON_VALGRIND != 0)
#else
#define MSTRING_UNDER_VALGRIND false
#endif

namespace mstring_internal {

// Features, as bits.  avx2 stands for AVX2 and BMI1 with the ymm registers
// enabled by the system, avx512 for AVX512F, AVX512BW, AVX512VL,
// AVX512VBMI and BMI1 with the opmask and zmm registers enabled.  blocks is not the
// processor's: whole aligned blocks may be read past a list's end, as
// every variant but the byte one does.  Such reads never reach another
// page, but valgrind's memcheck reports them (and what is computed from
// the bytes they bring in) in a caller's program; under valgrind the
// library reads only the list's own bytes.
enum feature : unsigned { sse2 = 1, popcnt = 2, avx2 = 4, avx512 = 8, blocks = 16 };

// What CPUID and XGETBV gave: the highest leaf (leaf 0's eax), leaf 1's
// ecx and edx, leaf 7's ebx and ecx (subleaf 0) and XCR0.  A value that was not
// read, as its leaf or XGETBV was not there to read, is 0.
struct cpuid_values {
    unsigned leaves;
    unsigned leaf1_ecx;
    unsigned leaf1_edx;
    unsigned leaf7_ebx;
    unsigned leaf7_ecx;
    unsigned xcr0;
};

// XGETBV exists, and the system reports in XCR0 which register state it
// saves, only where leaf 1 sets OSXSAVE: elsewhere the instruction faults.
MSTRING_RESOLVES constexpr bool has_xgetbv(const cpuid_values &r)
{
    return r.leaves >= 1 && (r.leaf1_ecx & bit_OSXSAVE) != 0;
}

MSTRING_RESOLVES constexpr unsigned features_of(const cpuid_values &r)
{
    if (r.leaves < 1)
        return 0;
    unsigned features = 0;
    if (r.leaf1_edx & bit_SSE2)
        features |= sse2;
    if (r.leaf1_ecx & bit_POPCNT)
        features |= popcnt;
    // The ymm registers: AVX, and the system saving the xmm and ymm state
    // (XCR0 bits 1 and 2); the zmm registers: the opmask, upper zmm0-15 and
    // zmm16-31 state besides (bits 5 to 7).
    const bool ymm = has_xgetbv(r) && (r.leaf1_ecx & bit_AVX) != 0 && (r.xcr0 & 6) == 6;
    const bool zmm = ymm && (r.xcr0 & 0xe0) == 0xe0;
    if (r.leaves < 7 || (r.leaf7_ebx & bit_BMI) == 0)
        return features;
    if (ymm && (r.leaf7_ebx & bit_AVX2) != 0)
        features |= avx2;
    const unsigned avx512bw = bit_AVX512F | bit_AVX512BW | bit_AVX512VL;
    if (zmm && (r.leaf7_ebx & avx512bw) == avx512bw && (r.leaf7_ecx & bit_AVX512VBMI) != 0)
        features |= avx512;
    return features;
}

// The features of this processor, and blocks unless the process runs
// under valgrind.  Resolvers call it before the library's relocations may
// be relied on: it only executes CPUID and XGETBV, by cpuid.h's macros
// (its functions are instrumented in sanitizer builds), and valgrind's
// client request, a few instructions that do nothing on a processor.
MSTRING_RESOLVES inline unsigned x86_features()
{
    cpuid_values r{};
    unsigned a, b, c, d;
    // Subleaf 0 throughout: ecx is defined for valgrind, which takes it in.
    __cpuid_count(0, 0, r.leaves, b, c, d);
    if (r.leaves >= 1)
        __cpuid_count(1, 0, a, b, r.leaf1_ecx, r.leaf1_edx);
    if (r.leaves >= 7)
        __cpuid_count(7, 0, a, r.leaf7_ebx, r.leaf7_ecx, d);
    // volatile: executed only where the test lets it, never moved above it.
    if (has_xgetbv(r))
        __asm__ __volatile__("xgetbv" : "=a"(r.xcr0), "=d"(d) : "c"(0));
    unsigned features = features_of(r);
    if (!MSTRING_UNDER_VALGRIND)
        features |= blocks;
    return features;
}

} // namespace mstring_internal

#endif
