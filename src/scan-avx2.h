// SPDX-License-Identifier: MIT
// The adapter that lets the scan skeleton (scan.h) read blocks with AVX2,
// counting with POPCNT and finding bits with BMI1's TZCNT.
#ifndef MSTRING_SCAN_AVX2_H
#define MSTRING_SCAN_AVX2_H

#include <immintrin.h>

#include "scan-sse2.h"
#include "scan-word.h"

namespace mstring_internal {

// What the adapter's code is compiled with.
#define MSTRING_AVX2 __attribute__((__target__("avx2,popcnt,bmi"))) MSTRING_SCANS

// A block is as many 32-byte vectors as a general register holds 32-bit
// masks: 64 bytes on amd64, 32 on i386.  Its NULs are found once, and the
// skeleton tests for pairs on the mask.  Bit i flags byte i of the block.
// A chunk is four vectors, tested for pairs and counted in vector
// registers alone, with one branch per chunk.
struct avx2_scan {
    using mask = word; // a general register
    static constexpr unsigned bytes = 8 * sizeof(mask);
    static constexpr unsigned unit = 1;
    static constexpr unsigned chunk = 128;
    static constexpr unsigned head = 16;

    MSTRING_AVX2 static mask head_nuls(address p)
    {
        return head_nuls_sse2(p);
    }

    MSTRING_AVX2 static __m256i load(address at)
    {
        return _mm256_load_si256(reinterpret_cast<const __m256i *>(at));
    }

    MSTRING_AVX2 static __m256i zeros(__m256i v)
    {
        return _mm256_cmpeq_epi8(v, _mm256_setzero_si256());
    }

    MSTRING_AVX2 static mask nuls(address at)
    {
        mask flags = 0;
        for (unsigned i = 0; i < bytes; i += 32)
            flags |= mask{static_cast<unsigned>(_mm256_movemask_epi8(zeros(load(at + i))))} << i;
        return flags;
    }

    MSTRING_AVX2 static unsigned offset(mask flags)
    {
        return static_cast<unsigned>(__builtin_ctzl(flags));
    }

    MSTRING_AVX2 static unsigned count(mask flags)
    {
        return static_cast<unsigned>(__builtin_popcountl(flags));
    }

    // A NUL pair is a zero 16-bit word, at an even offset or at an odd
    // one: in the chunk's vectors, or in the vectors one byte earlier.
    // Each set of four is merged by minimum, and both tested at once.
    MSTRING_AVX2 static __m256i least(__m256i a, __m256i b, __m256i c, __m256i d)
    {
        return _mm256_min_epu16(_mm256_min_epu16(a, b), _mm256_min_epu16(c, d));
    }

    MSTRING_AVX2 static __m256i loadu(address at)
    {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at));
    }

    // No NUL pair ends in the chunk at at (the byte before it is read too).
    MSTRING_AVX2 static bool quiet(address at)
    {
        __m256i even = least(load(at), load(at + 32), load(at + 64), load(at + 96));
        __m256i m = _mm256_min_epu16(even, least(loadu(at - 1), loadu(at + 31), loadu(at + 63), loadu(at + 95)));
        return _mm256_movemask_epi8(_mm256_cmpeq_epi16(m, _mm256_setzero_si256())) == 0;
    }

    MSTRING_AVX2 static address skip(address at)
    {
        while (quiet(at))
            at += chunk;
        return at;
    }

    // Passes at most limit (up to 63) quiet chunks from at, adding their
    // NULs to nuls, and returns where it stopped.  Each byte counter gains
    // at most 4 per chunk, so 63 chunks cannot overflow it.
    MSTRING_AVX2 static address pass(address at, unsigned limit, std::size_t &nuls)
    {
        __m256i counters = _mm256_setzero_si256();
        for (; limit != 0 && quiet(at); --limit, at += chunk) {
            __m256i here = _mm256_add_epi8(_mm256_add_epi8(zeros(load(at)), zeros(load(at + 32))),
                                           _mm256_add_epi8(zeros(load(at + 64)), zeros(load(at + 96))));
            counters = _mm256_sub_epi8(counters, here);
        }
        __m256i s = _mm256_sad_epu8(counters, _mm256_setzero_si256());
        __m128i t = _mm_add_epi32(_mm256_castsi256_si128(s), _mm256_extracti128_si256(s, 1));
        nuls += static_cast<unsigned>(_mm_cvtsi128_si32(t) + _mm_cvtsi128_si32(_mm_srli_si128(t, 8)));
        return at;
    }
};

} // namespace mstring_internal

#endif
