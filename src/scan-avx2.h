// SPDX-License-Identifier: MIT
// The adapter that lets the scan skeleton (scan.h) read 32-byte blocks
// with AVX2, counting with POPCNT and finding bits with BMI1's TZCNT.
#ifndef MSTRING_SCAN_AVX2_H
#define MSTRING_SCAN_AVX2_H

#include <immintrin.h>

#include "scan-word.h"

namespace mstring_internal {

#define MSTRING_AVX2 __attribute__((__target__("avx2,popcnt,bmi"))) MSTRING_SCANS

// Bit i of a mask flags byte i of the block.  A chunk is four blocks.
struct avx2_scan {
    using mask = unsigned;
    static constexpr unsigned bytes = 32;
    static constexpr unsigned unit = 1;
    static constexpr unsigned chunk = 128;

    MSTRING_AVX2 static __m256i load(address at)
    {
        return _mm256_load_si256(reinterpret_cast<const __m256i *>(at));
    }

    // A block's bytes, each ORed with the byte before it: a zero byte is
    // the second NUL of a pair.
    MSTRING_AVX2 static __m256i pairs(address at, __m256i block)
    {
        return _mm256_or_si256(block, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at - 1)));
    }

    MSTRING_AVX2 static mask zeros(__m256i v)
    {
        return static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_setzero_si256())));
    }

    MSTRING_AVX2 static mask nuls(address at)
    {
        return zeros(load(at));
    }

    MSTRING_AVX2 static unsigned offset(mask flags)
    {
        return static_cast<unsigned>(__builtin_ctz(flags));
    }

    MSTRING_AVX2 static unsigned count(mask flags)
    {
        return static_cast<unsigned>(__builtin_popcount(flags));
    }

    // No NUL pair ends in the chunk at at (the byte before it is read too).
    MSTRING_AVX2 static bool quiet(address at)
    {
        __m256i a = pairs(at, load(at)), b = pairs(at + 32, load(at + 32));
        __m256i c = pairs(at + 64, load(at + 64)), d = pairs(at + 96, load(at + 96));
        return zeros(_mm256_min_epu8(_mm256_min_epu8(a, b), _mm256_min_epu8(c, d))) == 0;
    }

    // Passes at most limit (up to 63) quiet chunks from at, adding their
    // NULs to nuls, and returns where it stopped.  Each byte counter gains
    // at most 4 per chunk, so 63 chunks cannot overflow it.
    MSTRING_AVX2 static address pass(address at, unsigned limit, unsigned &nuls)
    {
        const __m256i zero = _mm256_setzero_si256();
        __m256i counters = zero;
        for (; limit != 0 && quiet(at); --limit, at += chunk) {
            for (unsigned i = 0; i < chunk; i += 32)
                counters = _mm256_sub_epi8(counters, _mm256_cmpeq_epi8(load(at + i), zero));
        }
        __m256i sums = _mm256_sad_epu8(counters, zero);
        __m128i half = _mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
        nuls += static_cast<unsigned>(_mm_cvtsi128_si32(half) + _mm_cvtsi128_si32(_mm_srli_si128(half, 8)));
        return at;
    }
};

} // namespace mstring_internal

#endif
