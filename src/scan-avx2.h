// SPDX-License-Identifier: MIT
// The adapter that lets the scan skeleton (scan.h) read blocks with AVX2,
// counting with POPCNT and finding bits with BMI1's TZCNT.
#ifndef MSTRING_SCAN_AVX2_H
#define MSTRING_SCAN_AVX2_H

#include <immintrin.h>

#include "scan-word.h"

namespace mstring_internal {

#define MSTRING_AVX2 __attribute__((__target__("avx2,popcnt,bmi"))) MSTRING_SCANS

// A block is as many 32-byte vectors as a general register holds 32-bit
// masks: 64 bytes on amd64, 32 on i386.  Its NULs are found once, and the
// skeleton tests for pairs on the mask.  Bit i flags byte i of the block.
struct avx2_scan {
    using mask = unsigned long; // a general register
    static constexpr unsigned bytes = 8 * sizeof(mask);
    static constexpr unsigned unit = 1;
    static constexpr unsigned chunk = 0;

    MSTRING_AVX2 static mask nuls(address at)
    {
        mask flags = 0;
        for (unsigned i = 0; i < bytes; i += 32) {
            __m256i v = _mm256_load_si256(reinterpret_cast<const __m256i *>(at + i));
            unsigned zeros = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_setzero_si256())));
            flags |= mask{zeros} << i;
        }
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
};

} // namespace mstring_internal

#endif
