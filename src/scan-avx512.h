// SPDX-License-Identifier: MIT
// The adapter that lets the scan skeleton (scan.h) read 64-byte blocks
// with AVX-512 (AVX512BW, and AVX512VBMI's VPERMT2B), counting with POPCNT
// and finding bits with BMI1's TZCNT.
#ifndef MSTRING_SCAN_AVX512_H
#define MSTRING_SCAN_AVX512_H

#include <immintrin.h>

#include <cstdint>

#include "scan-sse2.h"
#include "scan-word.h"

namespace mstring_internal {

// What the adapter's code is compiled with.
#define MSTRING_AVX512 __attribute__((__target__("avx512f,avx512bw,avx512vl,avx512vbmi,popcnt,bmi"))) MSTRING_SCANS

// One load and one VPTESTNMB find a block's NULs as a 64-bit opmask; the
// skeleton tests for pairs on it.  Bit i flags byte i of the block.  A
// chunk is four blocks, tested for pairs and counted in vector registers
// alone, each byte loaded once, with one branch per chunk: a mask per
// block moved to a general register would cost more (Zen 4 moves a 64-bit
// opmask in two halves, one every two cycles).
struct avx512_scan {
    using mask = std::uint64_t;
    static constexpr unsigned bytes = 64;
    static constexpr unsigned unit = 1;
    static constexpr unsigned chunk = 256;
    static constexpr unsigned head = 16;

    MSTRING_AVX512 static mask head_nuls(address p)
    {
        return head_nuls_sse2(p);
    }

    MSTRING_AVX512 static __m512i load(address at)
    {
        return _mm512_load_si512(reinterpret_cast<const void *>(at));
    }

    MSTRING_AVX512 static mask nuls(address at)
    {
        __m512i v = load(at);
        return _cvtmask64_u64(_mm512_testn_epi8_mask(v, v));
    }

    MSTRING_AVX512 static unsigned offset(mask flags)
    {
        return static_cast<unsigned>(__builtin_ctzll(flags));
    }

    MSTRING_AVX512 static unsigned count(mask flags)
    {
        return static_cast<unsigned>(__builtin_popcountll(flags));
    }

    // The block's bytes each ORed with the byte before it, prev being the
    // block before: a zero byte ends a NUL pair.  One VPERMT2B moves every
    // byte up one place, prev's last into place 0: each byte is loaded
    // once, and moved by one instruction that crosses 16-byte lanes.
    MSTRING_AVX512 static __m512i pairs(__m512i block, __m512i prev)
    {
        const __m512i up = _mm512_set_epi8(62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45,
                                           44, 43, 42, 41, 40, 39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27,
                                           26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8,
                                           7, 6, 5, 4, 3, 2, 1, 0, 127);
        return _mm512_or_si512(block, _mm512_permutex2var_epi8(block, up, prev));
    }

    // Whether no NUL pair ends in the chunk at at; prev is the block
    // before it, and becomes the chunk's last.
    MSTRING_AVX512 static bool quiet(address at, __m512i &prev)
    {
        __m512i least = pairs(load(at), prev);
        for (unsigned i = bytes; i < chunk; i += bytes)
            least = _mm512_min_epu8(least, pairs(load(at + i), load(at + i - bytes)));
        prev = load(at + chunk - bytes);
        return _mm512_testn_epi8_mask(least, least) == 0;
    }

    MSTRING_AVX512 static address skip(address at)
    {
        __m512i prev = load(at - bytes);
        while (quiet(at, prev))
            at += chunk;
        return at;
    }

    // Passes at most limit quiet chunks from at, adding their NULs to
    // nuls, and returns where it stopped.  Byte counters count each
    // chunk's bytes that are not NUL, at most 4 each, and are summed into
    // 64-bit lanes chunk by chunk.
    MSTRING_AVX512 static address pass(address at, unsigned limit, std::size_t &nuls)
    {
        const __m512i zero = _mm512_setzero_si512(), one = _mm512_set1_epi8(1);
        __m512i others = zero, prev = load(at - bytes);
        const address start = at;
        for (; limit != 0 && quiet(at, prev); --limit, at += chunk) {
            __m512i here = zero;
            for (unsigned i = 0; i < chunk; i += bytes)
                here = _mm512_add_epi8(here, _mm512_min_epu8(load(at + i), one));
            others = _mm512_add_epi64(others, _mm512_sad_epu8(here, zero));
        }
        nuls += at - start - sum(others);
        return at;
    }

    // The sum of the eight 64-bit lanes of v, once per pass.
    MSTRING_AVX512 static std::size_t sum(__m512i v)
    {
        alignas(64) std::uint64_t lanes[8];
        _mm512_store_si512(lanes, v);
        std::uint64_t total = 0;
        for (std::uint64_t lane : lanes)
            total += lane;
        return static_cast<std::size_t>(total);
    }
};

} // namespace mstring_internal

#endif
