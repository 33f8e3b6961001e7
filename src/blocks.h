// SPDX-License-Identifier: MIT
// Helpers for strings and blocks: length, walking the strings of a list,
// and the size arithmetic and copying behind every append.
#ifndef MSTRING_BLOCKS_H
#define MSTRING_BLOCKS_H

#include <cstddef>
#include <cstdint>

#include "scan-word.h"
#include "scan.h"

namespace mstring_internal {

// strlen, a word at a time: strings are short more often than not.
MSTRING_SCANS inline std::size_t length(const char *s)
{
    return scan::length<word_scan>(s);
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
