// SPDX-License-Identifier: MIT
// The adapter that lets the scan skeleton (scan.h) read 64-byte blocks
// with AVX-512 (AVX512BW), counting with POPCNT and finding bits with
// BMI1's TZCNT.
#ifndef MSTRING_SCAN_AVX512_H
#define MSTRING_SCAN_AVX512_H

#include <immintrin.h>

#include <cstdint>

#include "scan-sse2.h"
#include "scan-word.h"

namespace mstring_internal {

// What the adapter's code is compiled with.
#define MSTRING_AVX512 __attribute__((__target__("avx512f,avx512bw,avx512vl,popcnt,bmi"))) MSTRING_SCANS

// One load and one VPTESTNMB find a block's NULs as a 64-bit opmask; the
// skeleton tests for pairs on it.  Bit i flags byte i of the block.  A
// chunk is four blocks, tested for pairs and counted in vector registers
// alone, with one branch per chunk.
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

    // A NUL pair is a zero 16-bit word, at an even offset or at an odd
    // one: in the chunk's blocks, or in the blocks one byte earlier.  Each
    // set of four is merged by minimum, and both tested at once.
    MSTRING_AVX512 static __m512i least(address at)
    {
        __m512i a = _mm512_min_epu16(loadu(at), loadu(at + 64));
        __m512i b = _mm512_min_epu16(loadu(at + 128), loadu(at + 192));
        return _mm512_min_epu16(a, b);
    }

    MSTRING_AVX512 static __m512i loadu(address at)
    {
        return _mm512_loadu_si512(reinterpret_cast<const void *>(at));
    }

    // No NUL pair ends in the chunk at at (the byte before it is read too).
    MSTRING_AVX512 static bool quiet(address at)
    {
        __m512i m = _mm512_min_epu16(least(at), least(at - 1));
        return _mm512_testn_epi16_mask(m, m) == 0;
    }

    // Passes at most limit (up to 63) quiet chunks from at, adding their
    // NULs to nuls, and returns where it stopped.  The byte counters count
    // the bytes that are not NUL, each gaining at most 4 per chunk: 63
    // chunks cannot overflow them.
    MSTRING_AVX512 static address pass(address at, unsigned limit, std::size_t &nuls)
    {
        const __m512i one = _mm512_set1_epi8(1);
        __m512i others = _mm512_setzero_si512();
        const address start = at;
        for (; limit != 0 && quiet(at); --limit, at += chunk) {
            for (unsigned i = 0; i < chunk; i += bytes)
                others = _mm512_add_epi8(others, _mm512_min_epu8(load(at + i), one));
        }
        nuls += at - start - sum(_mm512_sad_epu8(others, _mm512_setzero_si512()));
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
