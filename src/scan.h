// SPDX-License-Identifier: MIT
// The scan skeleton: length, size, count and index, each written once for
// any adapter A (scan-word.h, scan-sse2.h, scan-avx2.h, scan-avx512.h),
// which gives:
//
//   mask, bytes, unit   a block's flags, its size, and flag bits per byte
//   nuls(at)            flags of the NULs of the aligned block at at
//   head, head_nuls(p)  0, or a first look's size and the flags of as many
//                       bytes from p (unaligned), bit 0 for p's; the
//                       entries of an adapter with a head (x86's alone)
//                       glance at 8 bytes in a general register first,
//                       on amd64
//   offset(f), count(f) byte of the lowest flag, number of flags
//   chunk               0, or the size of an aligned run of blocks that
//   skip(at)            are passed while no NUL pair ends in them (they
//   pass(at, n, nuls)   are quiet): skip() passes quiet chunks from at and
//                       returns the first other one; pass() passes up to
//                       n, adds their NULs to nuls and returns where it
//                       stopped.  Both read the block before at too.
//
// Reads: nothing before the aligned block that holds the start, and
// nothing past the aligned chunk (or block) that holds the NUL the scan
// stops at, so never another page.  Blocks are read from the one holding
// the start on; a chunk is only read once the block before it has been.
//
// Each function comes in two halves: the entry looks at the first block
// alone, without a loop, which settles most small lists, and calls rest,
// the second half compiled on its own, to scan on.  rest is a template
// argument, a reference to the function: the call is a direct one, which
// clang's -fsanitize=function does not check as it checks a call through
// a pointer.
#ifndef MSTRING_SCAN_H
#define MSTRING_SCAN_H

#include <climits>
#include <cstddef>
#include <cstdint>

#include "scan-word.h"

namespace mstring_internal::scan {

template <class A>
inline address block_of(const char *p)
{
    return address_of(p) & ~address{A::bytes - 1};
}

// Flags of the block holding p, moved down so that p's byte is the lowest.
template <class A>
inline typename A::mask first(const char *p)
{
    return A::nuls(block_of<A>(p)) >> A::unit * (address_of(p) % A::bytes);
}

// Flags of the block holding p, without those of the bytes before p.
template <class A>
inline typename A::mask from(const char *p)
{
    return A::nuls(block_of<A>(p)) & ~typename A::mask{0} << A::unit * (address_of(p) % A::bytes);
}

// Flags of the bytes from p on, for an entry's first look: the adapter's
// head bytes, read from p itself where they lie in p's aligned 64 bytes,
// which take less time to test than a block; else the block holding p.
template <class A>
inline typename A::mask look(const char *p)
{
    if constexpr (A::head != 0) {
        if (address_of(p) % 64 <= 64 - A::head)
            return A::head_nuls(address_of(p));
    }
    return first<A>(p);
}

// The 8 bytes from p as the word adapter flags them (bit 7 of each NUL
// byte, p's byte lowest), where they lie in p's aligned 64 bytes, else 0:
// an entry's glance in a general register before its first look.  A small
// list's answer then waits on no mask moved out of a vector register.
// Only where a general register holds the 8 bytes: in two registers
// (i386) the glance measured slower than the first look.
template <class A>
inline constexpr bool glances = A::head != 0 && sizeof(word) == 8;

typedef std::uint64_t __attribute__((__may_alias__, __aligned__(1))) any_8_bytes;

template <class A>
inline std::uint64_t glance(const char *p)
{
    if (A::head == 0 || address_of(p) % 64 > 56)
        return 0;
    return nul_flags(*reinterpret_cast<const any_8_bytes *>(p));
}

// The glance's flags of NULs whose byte before is a NUL, and of the NULs
// below the lowest of those (all of them when there is none).
inline std::uint64_t glance_ends(std::uint64_t nuls)
{
    return nuls & nuls << 8;
}

inline std::uint64_t glance_passed(std::uint64_t nuls, std::uint64_t end)
{
    return nuls & ((end & (0 - end)) - 1);
}

// Answers read off a glance's flags by a branch per byte: where the
// processor predicts the branches, as it does for lists of one size, the
// answer waits on no byte read, and neither need the caller's next step;
// in a mix of lists they cost what a byte loop's branches cost.  (Such
// branches on the first look's masks measured slower: the lists there
// are longer, and the branches more.)
inline bool glance_flag(std::uint64_t flags, unsigned byte)
{
    return (flags >> (8 * byte + 7) & 1) != 0;
}

// The size that the glance's flags of pairs give (there is one).
inline unsigned glance_size(std::uint64_t pairs)
{
    unsigned size = 2;
    while (!glance_flag(pairs, size - 1))
        ++size;
    return size;
}

// The number of strings of a list whose NULs the glance flags, up to the
// first pair (there is one).
inline unsigned glance_strings(std::uint64_t nuls)
{
    unsigned count = 0, i = 0;
    do {
        while (!glance_flag(nuls, i))
            ++i;
        ++count, ++i;
    } while (!glance_flag(nuls, i));
    return count;
}

// The byte after the left-th flag, counting from 1 (there are left).
inline unsigned glance_after(std::uint64_t flags, unsigned left)
{
    unsigned i = 0;
    for (;;) {
        while (!glance_flag(flags, i))
            ++i;
        ++i;
        if (--left == 0)
            return i;
    }
}

// Number of flags of a glance: by the adapter's count where its masks
// are 64 bits of flags (a POPCNT), else each flag moved to bit 0 of its
// byte and summed into the highest byte by the multiplication.
template <class A>
inline unsigned glance_flags(std::uint64_t flags)
{
    if constexpr (A::unit == 1 && A::bytes == 64)
        return A::count(flags);
    else
        return static_cast<unsigned>((flags >> 7) * 0x0101010101010101 >> 56);
}

// The flags of nuls whose byte follows a NUL: the end of a multi-string.
// prev is the flags of the block before, or 0.
template <class A>
inline typename A::mask ends(typename A::mask nuls, typename A::mask prev)
{
    return nuls & (nuls << A::unit | prev >> A::unit * (A::bytes - 1));
}

// The flags of m below the lowest flag of f.
template <class A>
inline typename A::mask below(typename A::mask f, typename A::mask m)
{
    return m & ((f & (0 - f)) - 1);
}

// Byte of the n-th flag of m, counting from 1 (m has at least n flags).
template <class A>
inline unsigned nth(typename A::mask m, unsigned n)
{
    while (--n != 0)
        m &= m - 1;
    return A::offset(m);
}

// Whether a scan that started in the block at first takes chunks at at:
// on a chunk's boundary, once a chunk's worth of blocks lies behind it, so
// that a short list, which ends in its first blocks, is not tested by
// chunk too.
template <class A>
inline bool chunks_from(address at, address first)
{
    return at % A::chunk == 0 && at - first >= A::chunk;
}

// strlen, which the library does not import from libc.
template <class A>
inline std::size_t length(const char *s)
{
    address at = block_of<A>(s);
    typename A::mask nuls = from<A>(s);
    while (nuls == 0) {
        at += A::bytes;
        nuls = A::nuls(at);
    }
    return at + A::offset(nuls) - address_of(s);
}

template <class A>
inline std::size_t size_rest(const char *ms)
{
    const address first = block_of<A>(ms);
    address at = first;
    typename A::mask nuls = from<A>(ms), prev = 0, end;
    while ((end = ends<A>(nuls, prev)) == 0) {
        prev = nuls;
        at += A::bytes;
        if constexpr (A::chunk != 0) {
            if (chunks_from<A>(at, first)) {
                at = A::skip(at);
                prev = A::nuls(at - A::bytes);
            }
        }
        nuls = A::nuls(at);
    }
    return at + A::offset(end) + 1 - address_of(ms);
}

// The two smallest lists, "\0\0" and "x\0\0", by their bytes: branches
// that the processor predicts cost less than the block's latency.  Each
// byte read lies in the list: a NUL's next byte does, unless that NUL is
// the final one, and a final NUL is never read before its pair is found.
inline unsigned tiny(const char *ms)
{
    if (ms[0] == '\0')
        return ms[1] == '\0' ? 2 : 0;
    return ms[1] == '\0' && ms[2] == '\0' ? 3 : 0;
}

template <class A, std::size_t (&rest)(const char *)>
inline std::size_t size(const char *ms)
{
    if (unsigned n = tiny(ms))
        return n;
    if constexpr (glances<A>) {
        if (std::uint64_t pair = glance_ends(glance<A>(ms)))
            return glance_size(pair);
    }
    typename A::mask end = ends<A>(look<A>(ms), 0);
    return end != 0 ? A::offset(end) + 1 : rest(ms);
}

// A count of strings as mstrcount returns it: -1 past INT_MAX.
inline int count_result(std::size_t count)
{
    return count <= INT_MAX ? static_cast<int>(count) : -1;
}

// Counts the NULs before the final NUL: one per string.  A 64-bit
// machine's list can hold more than even an unsigned counts.
template <class A>
inline int count_rest(const char *ms)
{
    const address first = block_of<A>(ms);
    address at = first;
    typename A::mask nuls = from<A>(ms), prev = 0, end;
    std::size_t count = 0;
    while ((end = ends<A>(nuls, prev)) == 0) {
        count += A::count(nuls);
        prev = nuls;
        at += A::bytes;
        if constexpr (A::chunk != 0) {
            if (chunks_from<A>(at, first)) {
                address start;
                do
                    start = at, at = A::pass(at, 63, count);
                while (at - start == 63 * A::chunk);
                prev = A::nuls(at - A::bytes);
            }
        }
        nuls = A::nuls(at);
    }
    return count_result(count + A::count(below<A>(end, nuls)));
}

template <class A, int (&rest)(const char *)>
inline int count(const char *ms)
{
    if (tiny(ms) != 0)
        return 1;
    if constexpr (glances<A>) {
        std::uint64_t flags = glance<A>(ms);
        if (glance_ends(flags) != 0)
            return static_cast<int>(glance_strings(flags));
    }
    typename A::mask nuls = look<A>(ms), end = ends<A>(nuls, 0);
    return end != 0 ? static_cast<int>(A::count(below<A>(end, nuls))) : rest(ms);
}

// String n (n >= 2) starts after the (n - 1)-th NUL, unless that NUL or
// one before it is the final NUL.
template <class A>
inline char *index_rest(const char *ms, int n)
{
    unsigned left = static_cast<unsigned>(n) - 1; // NULs still to pass
    [[maybe_unused]] unsigned probe = 32;          // chunks
    const address first = block_of<A>(ms);
    address at = first;
    typename A::mask nuls = from<A>(ms), prev = 0;
    for (;;) {
        typename A::mask end = ends<A>(nuls, prev);
        typename A::mask passed = end != 0 ? below<A>(end, nuls) : nuls;
        unsigned here = A::count(passed);
        if (left <= here)
            return reinterpret_cast<char *>(at + nth<A>(passed, left) + 1);
        if (end != 0)
            return nullptr;
        left -= here;
        prev = nuls;
        at += A::bytes;
        if constexpr (A::chunk != 0) {
            // A quiet chunk holds at most chunk / 2 NULs: pass as many as
            // cannot hold the one sought, or probe chunks where that is
            // fewer, going back over them with half as many when they
            // held it.  Then go on block by block.
            const unsigned most = A::chunk / 2;
            if (chunks_from<A>(at, first)) {
                for (;;) {
                    unsigned sure = (left - 1) / most, limit = sure > probe ? sure : probe;
                    if (limit == 0)
                        break;
                    if (limit > 63)
                        limit = 63;
                    std::size_t seen = 0;
                    address start = at;
                    at = A::pass(at, limit, seen);
                    if (seen >= left) {
                        at = start;
                        probe = limit / 2;
                    } else {
                        left -= static_cast<unsigned>(seen);
                        if (at - start != limit * A::chunk)
                            break; // the chunk at at holds a NUL pair
                    }
                }
                prev = A::nuls(at - A::bytes);
            }
        }
        nuls = A::nuls(at);
    }
}

template <class A, char *(&rest)(const char *, int)>
inline char *index(const char *ms, int n)
{
    if (n < 1)
        return nullptr;
    if (n == 1)
        return const_cast<char *>(ms);
    unsigned left = static_cast<unsigned>(n) - 1;
    if constexpr (glances<A>) {
        std::uint64_t flags = glance<A>(ms), pair = glance_ends(flags);
        std::uint64_t passed = pair != 0 ? glance_passed(flags, pair) : flags;
        if (left <= glance_flags<A>(passed))
            return const_cast<char *>(ms) + glance_after(passed, left);
        if (pair != 0)
            return nullptr;
    }
    typename A::mask nuls = look<A>(ms), end = ends<A>(nuls, 0);
    typename A::mask passed = end != 0 ? below<A>(end, nuls) : nuls;
    if (left <= A::count(passed))
        return const_cast<char *>(ms) + nth<A>(passed, left) + 1;
    return end != 0 ? nullptr : rest(ms, n);
}

} // namespace mstring_internal::scan

#endif
