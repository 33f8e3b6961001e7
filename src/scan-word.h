// SPDX-License-Identifier: MIT
// Portable scanning primitives: 32-bit words, for any processor, and the
// adapters that let the scan skeleton (scan.h) read a word, or a byte, at
// a time.
#ifndef MSTRING_SCAN_WORD_H
#define MSTRING_SCAN_WORD_H

#include <cstddef>
#include <cstdint>

// Scanning reads aligned blocks: words here, vectors in the other
// adapters.  Bytes of those blocks that lie before the start or after the
// NUL a scan stops at are outside the object, and AddressSanitizer would
// report them: the functions that read blocks are left uninstrumented.
#define MSTRING_SCANS __attribute__((__no_sanitize_address__))

namespace mstring_internal {

using word = std::uint32_t;
using address = std::uintptr_t;

// A word read through this type may alias anything, as chars do.
typedef word __attribute__((__may_alias__)) any_word;

inline address address_of(const char *p)
{
    return reinterpret_cast<address>(p);
}

// Bit 7 of each NUL byte of w and no other bit.  Exact for every byte:
// unlike (w - 0x01010101) & ~w, nothing carries from one byte into the next.
inline word nul_flags(word w)
{
    const word low7 = 0x7f7f7f7f;
    return ~(((w & low7) + low7) | w | low7);
}

// The adapter for 32-bit words: a byte's flag is its bit 7.
struct word_scan {
    using mask = word;
    static constexpr unsigned bytes = 4;
    static constexpr unsigned unit = 8;  // mask bits per byte
    static constexpr unsigned chunk = 0; // no chunk loop

    MSTRING_SCANS static mask nuls(address at)
    {
        return nul_flags(*reinterpret_cast<const any_word *>(at));
    }

    static unsigned offset(mask flags)
    {
        return static_cast<unsigned>(__builtin_ctz(flags)) / 8;
    }

    // Number of flags set (at most 4).
    static unsigned count(mask flags)
    {
        return (flags >> 7) * 0x01010101u >> 24;
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
