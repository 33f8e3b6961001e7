// SPDX-License-Identifier: MIT
// The adapter that lets the scan skeleton (scan.h) read 16-byte blocks
// with SSE2, counting with POPCNT where the processor has it.
#ifndef MSTRING_SCAN_SSE2_H
#define MSTRING_SCAN_SSE2_H

#include <emmintrin.h>

#include "scan-word.h"

namespace mstring_internal {

// What the adapter's code is compiled with: SSE2, and POPCNT besides for
// the variant that counts with it.
#define MSTRING_SSE2 __attribute__((__target__("sse2"))) MSTRING_SCANS
#define MSTRING_SSE2_POPCNT __attribute__((__target__("sse2,popcnt"))) MSTRING_SCANS

// Number of bits set in a 16-bit mask, by table, for processors without
// POPCNT.
struct bit_counts {
    unsigned char of[256];
};

constexpr bit_counts make_bit_counts()
{
    bit_counts t{};
    for (unsigned i = 1; i < 256; ++i)
        t.of[i] = static_cast<unsigned char>(t.of[i / 2] + i % 2);
    return t;
}

inline constexpr bit_counts bits_table = make_bit_counts();

// POPCNT itself, in a function of its own: the instruction needs the
// target attribute where it is compiled, and an unoptimised build inlines
// nothing (without it gcc would call libgcc's __popcountsi2).
__attribute__((__target__("popcnt"))) inline unsigned popcount(unsigned mask)
{
    return static_cast<unsigned>(__builtin_popcount(mask));
}

// The flags of the 16 bytes from p, aligned or not, bit i for p's byte i:
// the first look of each x86 vector adapter, one load and one compare.
MSTRING_SSE2 inline unsigned head_nuls_sse2(address p)
{
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())));
}

// Bit i of a mask flags byte i of the block.  A chunk is four blocks.
template <bool popcnt>
struct sse2_scan {
    using mask = unsigned;
    static constexpr unsigned bytes = 16;
    static constexpr unsigned unit = 1;
    static constexpr unsigned chunk = 64;
    static constexpr unsigned head = 16;

    MSTRING_SSE2 static mask head_nuls(address p)
    {
        return head_nuls_sse2(p);
    }

    MSTRING_SSE2 static __m128i load(address at)
    {
        return _mm_load_si128(reinterpret_cast<const __m128i *>(at));
    }

    // A block's bytes, each ORed with the byte before it: a zero byte is
    // the second NUL of a pair.
    MSTRING_SSE2 static __m128i pairs(address at, __m128i block)
    {
        return _mm_or_si128(block, _mm_loadu_si128(reinterpret_cast<const __m128i *>(at - 1)));
    }

    MSTRING_SSE2 static mask zeros(__m128i v)
    {
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())));
    }

    MSTRING_SSE2 static mask nuls(address at)
    {
        return zeros(load(at));
    }

    static unsigned offset(mask flags)
    {
        return static_cast<unsigned>(__builtin_ctz(flags));
    }

    static unsigned count(mask flags)
    {
        if constexpr (popcnt)
            return popcount(flags);
        else
            return bits_table.of[flags & 0xff] + bits_table.of[flags >> 8];
    }

    // No NUL pair ends in the chunk at at (the byte before it is read too).
    MSTRING_SSE2 static bool quiet(address at)
    {
        __m128i a = pairs(at, load(at)), b = pairs(at + 16, load(at + 16));
        __m128i c = pairs(at + 32, load(at + 32)), d = pairs(at + 48, load(at + 48));
        return zeros(_mm_min_epu8(_mm_min_epu8(a, b), _mm_min_epu8(c, d))) == 0;
    }

    MSTRING_SSE2 static address skip(address at)
    {
        while (quiet(at))
            at += chunk;
        return at;
    }

    // Passes at most limit (up to 63) quiet chunks from at, adding their
    // NULs to nuls, and returns where it stopped.  Each byte counter gains
    // at most 4 per chunk, so 63 chunks cannot overflow it.
    MSTRING_SSE2 static address pass(address at, unsigned limit, std::size_t &nuls)
    {
        const __m128i zero = _mm_setzero_si128();
        __m128i counters = zero;
        for (; limit != 0 && quiet(at); --limit, at += chunk) {
            for (unsigned i = 0; i < chunk; i += 16)
                counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(load(at + i), zero));
        }
        __m128i sums = _mm_sad_epu8(counters, zero);
        nuls += static_cast<unsigned>(_mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
        return at;
    }
};

} // namespace mstring_internal

#endif
