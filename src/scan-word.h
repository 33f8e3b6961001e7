// SPDX-License-Identifier: MIT
// Portable scanning primitives: words as wide as a general register, for
// any processor of either byte order, and the adapters that let the scan
// skeleton (scan.h) read a word, or a byte, at a time.
#ifndef MSTRING_SCAN_WORD_H
#define MSTRING_SCAN_WORD_H

#include <cstddef>
#include <cstdint>

#include "sanitizers.h"

// A general register: 32 bits on 32-bit machines, 64 on 64-bit ones (the
// ILP32 and LP64 ABIs alike), where a long is as wide.  Everything that
// depends on the width of a word takes it from here: the type, and for the
// preprocessor (variants.h) its bits.
#define MSTRING_WORD_BITS (8 * __SIZEOF_LONG__)

namespace mstring_internal {

using word = unsigned long;
static_assert(8 * sizeof(word) == MSTRING_WORD_BITS);
using address = std::uintptr_t;

// A word read through this type may alias anything, as chars do.
typedef word __attribute__((__may_alias__)) any_word;

inline address address_of(const char *p)
{
    return reinterpret_cast<address>(p);
}

// 0x0101...01: one in every byte of a word.
constexpr word ones = ~word{0} / 0xff;

// The aligned word at at, its first byte in memory the lowest-order one
// whatever the machine's byte order: the scan skeleton counts bytes from
// bit 0 up.  On a big-endian machine that is a byte-reversed load (one
// instruction on s390x and POWER).
MSTRING_SCANS inline word load_word(address at)
{
    word w = *reinterpret_cast<const any_word *>(at);
    if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__) {
        if constexpr (sizeof w == 8)
            return static_cast<word>(__builtin_bswap64(w));
        else
            return static_cast<word>(__builtin_bswap32(static_cast<std::uint32_t>(w)));
    }
    return w;
}

// Bit 7 of each NUL byte of w (a word, or 8 bytes) and no other bit.
// Exact for every byte: unlike (w - 0x0101...01) & ~w, nothing carries
// from one byte into the next.
template <class W>
inline W nul_flags(W w)
{
    const W low7 = 0x7f * (~W{0} / 0xff);
    return ~(((w & low7) + low7) | w | low7);
}

// What the word and byte adapters' code is compiled with: no instruction
// set beyond the architecture's baseline.
#define MSTRING_WORD MSTRING_SCANS

// The adapter for words: a byte's flag is its bit 7.
struct word_scan {
    using mask = word;
    static constexpr unsigned bytes = sizeof(word);
    static constexpr unsigned unit = 8;  // mask bits per byte
    static constexpr unsigned chunk = 0; // no chunk loop
    static constexpr unsigned head = 0;  // no first look but the block

    MSTRING_SCANS static mask nuls(address at)
    {
        return nul_flags(load_word(at));
    }

    static unsigned offset(mask flags)
    {
        return static_cast<unsigned>(__builtin_ctzl(flags)) / 8;
    }

    // Number of flags set (at most 8): the flags moved to bit 0 of their
    // bytes, summed into the highest byte by the multiplication.
    static unsigned count(mask flags)
    {
        return static_cast<unsigned>((flags >> 7) * ones >> (8 * (bytes - 1)));
    }
};

// The adapter for single bytes: a block is one byte, and its mask is 1 for
// a NUL.  It reads the list's own bytes and nothing else, so that memory
// checkers that report any read past a heap block (valgrind's memcheck)
// have nothing to report in a correct program.
struct byte_scan {
    using mask = unsigned;
    static constexpr unsigned bytes = 1;
    static constexpr unsigned unit = 1;
    static constexpr unsigned chunk = 0;
    static constexpr unsigned head = 0;

    static mask nuls(address at)
    {
        return *reinterpret_cast<const char *>(at) == '\0';
    }

    static unsigned offset(mask)
    {
        return 0;
    }

    static unsigned count(mask flags)
    {
        return flags;
    }
};

} // namespace mstring_internal

#endif
