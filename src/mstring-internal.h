// SPDX-License-Identifier: MIT
// Helpers shared by the library's modules.  Nothing here is exported: the
// library is built with hidden visibility and a version script.
#ifndef MSTRING_INTERNAL_H
#define MSTRING_INTERNAL_H

#include <cstddef>
#include <cstdint>

#include <emmintrin.h>

// Scanning reads aligned words (4 bytes, or 16 on the SSE2 path) and stops
// at the word that holds the NUL it looks for: it reads no word beyond that
// one, and an aligned word never straddles a page, so every byte it reads
// is mapped.  Bytes of those words that lie before the start or after that
// NUL are outside the object, and AddressSanitizer would report them: the
// functions that read words are therefore left uninstrumented.
#define MSTRING_SCANS __attribute__((__no_sanitize_address__))

// Names of their own for the exported functions that the library calls
// itself: mstring_init is an alias of mstrinit, and the other two are
// resolved as their exported names are.  A call to an exported name would
// go to a program's own function of that name if it had one.  The version
// script keeps these names out of the dynamic symbol table.  They are not
// declared hidden: i386 code reaches a function resolved at load time only
// through the PLT, and gcc calls a hidden function directly.
extern "C" {
std::size_t mstring_size(const char *ms);
char *mstring_index(const char *ms, int n);
__attribute__((__malloc__)) char *mstring_init(const char *s, std::size_t size);
}

namespace mstring_internal {

using word = std::uint32_t;
using address = std::uintptr_t;

// A word read through this type may alias anything, as chars do.
typedef word __attribute__((__may_alias__)) any_word;

inline address address_of(const char *p)
{
    return reinterpret_cast<address>(p);
}

MSTRING_SCANS inline word load(address at)
{
    return *reinterpret_cast<const any_word *>(at);
}

// Bit 7 of each NUL byte of w and no other bit.  Exact for every byte:
// unlike (w - 0x01010101) & ~w, nothing carries from one byte into the next.
inline word nul_flags(word w)
{
    const word low7 = 0x7f7f7f7f;
    return ~(((w & low7) + low7) | w | low7);
}

// nul_flags of the aligned word holding s, without the bytes before s.
MSTRING_SCANS inline word first_nul_flags(const char *s)
{
    unsigned before = address_of(s) % 4;
    return nul_flags(load(address_of(s) - before) | ((word{1} << 8 * before) - 1));
}

// The flags of nuls (nul_flags of a word) whose byte follows a NUL: the end
// of a multi-string.  prev is the nul_flags of the word before, or 0.
inline word end_flags(word nuls, word prev)
{
    return nuls & (nuls << 8 | prev >> 24);
}

// Offset in its word of the byte that the lowest flag marks.
inline unsigned byte_of(word flags)
{
    return static_cast<unsigned>(__builtin_ctz(flags)) / 8;
}

// The flags of the bytes before the one that the lowest flag of f marks.
inline word flags_before(word f, word flags)
{
    return flags & ((word{1} << 8 * byte_of(f)) - 1);
}

// Number of flags set (at most 4).
inline unsigned count_of(word flags)
{
    return (flags >> 7) * 0x01010101u >> 24;
}

// flags without its n - 1 lowest set bits (n >= 1).
inline word from_nth(word flags, unsigned n)
{
    while (--n != 0)
        flags &= flags - 1;
    return flags;
}

// strlen, which the library does not import from libc.
MSTRING_SCANS inline std::size_t length(const char *s)
{
    address at = address_of(s) & ~address{3};
    word nuls = first_nul_flags(s);
    while (nuls == 0) {
        at += 4;
        nuls = nul_flags(load(at));
    }
    return at + byte_of(nuls) - address_of(s);
}

// Calls visit(s) for each string s of ms in order and returns the address
// of the final NUL.  The first string is visited even when empty; after it,
// an empty string is the final NUL.
template <class Visit>
inline const char *walk(const char *ms, Visit visit)
{
    const char *p = ms;
    do {
        visit(p);
        p += length(p) + 1;
    } while (*p != '\0');
    return p;
}

// Size of a multi-string of size size with a string of length len
// appended: size + len + 1, or 0 when that does not fit in size_t.  No
// size is 0, so 0 means only overflow.  size_with(1, len) is the size of
// a multi-string holding just that string.
inline std::size_t size_with(std::size_t size, std::size_t len)
{
    return len < SIZE_MAX - size ? size + len + 1 : 0;
}

// The reading functions, a 32-bit word at a time, for any x86.  Each word's
// NULs are flagged; the first NUL that follows a NUL (in the same word or
// at the end of the word before) is the final NUL.

MSTRING_SCANS inline std::size_t word_size(const char *ms)
{
    address at = address_of(ms) & ~address{3};
    word nuls = first_nul_flags(ms), prev = 0, ends;
    while ((ends = end_flags(nuls, prev)) == 0) {
        prev = nuls;
        at += 4;
        nuls = nul_flags(load(at));
    }
    return at + byte_of(ends) + 1 - address_of(ms);
}

// Counts the NULs before the final NUL: one per string.
MSTRING_SCANS inline int word_count(const char *ms)
{
    address at = address_of(ms) & ~address{3};
    word nuls = first_nul_flags(ms), prev = 0, ends;
    unsigned count = 0;
    while ((ends = end_flags(nuls, prev)) == 0) {
        count += count_of(nuls);
        prev = nuls;
        at += 4;
        nuls = nul_flags(load(at));
    }
    return static_cast<int>(count + count_of(flags_before(ends, nuls)));
}

// String n starts after the (n - 1)-th NUL, unless that NUL or one before
// it is the final NUL.
MSTRING_SCANS inline char *word_index(const char *ms, int n)
{
    if (n < 1)
        return nullptr;
    if (n == 1)
        return const_cast<char *>(ms);
    unsigned left = static_cast<unsigned>(n) - 1; // NULs still to pass
    address at = address_of(ms) & ~address{3};
    word nuls = first_nul_flags(ms), prev = 0;
    for (;;) {
        word ends = end_flags(nuls, prev);
        word passed = ends != 0 ? flags_before(ends, nuls) : nuls;
        unsigned here = count_of(passed);
        if (left <= here)
            return reinterpret_cast<char *>(at + byte_of(from_nth(passed, left)) + 1);
        if (ends != 0)
            return nullptr;
        left -= here;
        prev = nuls;
        at += 4;
        nuls = nul_flags(load(at));
    }
}

// The same three with SSE2, 16 bytes at a time: bit i of a block's mask
// flags byte i as NUL.  Chosen at load time where the processor has SSE2.

#define MSTRING_SSE2 __attribute__((__target__("sse2"))) MSTRING_SCANS

MSTRING_SSE2 inline unsigned block_nuls(address at)
{
    __m128i block = _mm_load_si128(reinterpret_cast<const __m128i *>(at));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_setzero_si128())));
}

// block_nuls of the aligned block holding s, without the bytes before s.
MSTRING_SSE2 inline unsigned first_block_nuls(const char *s)
{
    unsigned before = address_of(s) % 16;
    return block_nuls(address_of(s) - before) & ~((1u << before) - 1);
}

// end_flags for block masks.
inline unsigned block_ends(unsigned nuls, unsigned prev)
{
    return nuls & (nuls << 1 | prev >> 15);
}

// Number of bits set in a 16-bit mask, by table: SSE2 has no popcnt.
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

inline unsigned bits_of(unsigned mask)
{
    return bits_table.of[mask & 0xff] + bits_table.of[mask >> 8];
}

MSTRING_SSE2 inline std::size_t sse2_size(const char *ms)
{
    address at = address_of(ms) & ~address{15};
    unsigned nuls = first_block_nuls(ms), prev = 0, ends;
    while ((ends = block_ends(nuls, prev)) == 0) {
        prev = nuls;
        at += 16;
        nuls = block_nuls(at);
    }
    return at + static_cast<unsigned>(__builtin_ctz(ends)) + 1 - address_of(ms);
}

MSTRING_SSE2 inline int sse2_count(const char *ms)
{
    address at = address_of(ms) & ~address{15};
    unsigned nuls = first_block_nuls(ms), prev = 0, ends, count = 0;
    while ((ends = block_ends(nuls, prev)) == 0) {
        count += bits_of(nuls);
        prev = nuls;
        at += 16;
        nuls = block_nuls(at);
    }
    return static_cast<int>(count + bits_of(nuls & ((1u << __builtin_ctz(ends)) - 1)));
}

MSTRING_SSE2 inline char *sse2_index(const char *ms, int n)
{
    if (n < 1)
        return nullptr;
    if (n == 1)
        return const_cast<char *>(ms);
    unsigned left = static_cast<unsigned>(n) - 1;
    address at = address_of(ms) & ~address{15};
    unsigned nuls = first_block_nuls(ms), prev = 0;
    for (;;) {
        unsigned ends = block_ends(nuls, prev);
        unsigned passed = ends != 0 ? nuls & ((1u << __builtin_ctz(ends)) - 1) : nuls;
        unsigned here = bits_of(passed);
        if (left <= here)
            return reinterpret_cast<char *>(at + static_cast<unsigned>(__builtin_ctz(from_nth(passed, left))) + 1);
        if (ends != 0)
            return nullptr;
        left -= here;
        prev = nuls;
        at += 16;
        nuls = block_nuls(at);
    }
}

// Writes s (len bytes) over the final NUL of ms, whose size is size, and a
// new final NUL behind it: ms needs size + len + 1 bytes.  s must not lie
// in the bytes being written; a string of ms itself never does.
void append(char *ms, std::size_t size, const char *s, std::size_t len);

// Reallocates block (holding a multi-string of size bytes) to exactly
// size + len + 1 bytes and appends s (len bytes) to it.  s may lie inside
// the multi-string.  Returns the new block, or null with block untouched
// (also when the new size would not fit in size_t).
char *grow(char *block, std::size_t size, const char *s, std::size_t len);

} // namespace mstring_internal

#endif
