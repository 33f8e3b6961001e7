// SPDX-License-Identifier: MIT
// The adapter that lets the scan skeleton (scan.h) read 64-byte blocks
// with AVX-512 (AVX512BW), counting with POPCNT and finding bits with
// BMI1's TZCNT.
#ifndef MSTRING_SCAN_AVX512_H
#define MSTRING_SCAN_AVX512_H

#include <immintrin.h>

#include <cstdint>

#include "scan-word.h"

namespace mstring_internal {

#define MSTRING_AVX512 __attribute__((__target__("avx512f,avx512bw,avx512vl,popcnt,bmi"))) MSTRING_SCANS

// One load and one VPTESTNMB find a block's NULs as a 64-bit opmask; the
// skeleton tests for pairs on it.  Bit i flags byte i of the block.
struct avx512_scan {
    using mask = std::uint64_t;
    static constexpr unsigned bytes = 64;
    static constexpr unsigned unit = 1;
    static constexpr unsigned chunk = 0;

    MSTRING_AVX512 static mask nuls(address at)
    {
        __m512i v = _mm512_load_si512(reinterpret_cast<const void *>(at));
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
};

} // namespace mstring_internal

#endif
