// SPDX-License-Identifier: MIT
// Appending to a heap block, growing it to the exact new size.
#include "mstring.h"

#include <stdint.h>
#include <stdlib.h>

#include "blocks.h"
#include "mstring-internal.h"

char *mstring_internal::grow(char *block, size_t size, const char *s, size_t len)
{
    size_t needed = mstring_internal::size_with(size, len);
    if (needed == 0) // size + len + 1 does not fit in size_t
        return nullptr;
    // s may be one of block's strings: keep its offset, realloc may move it.
    uintptr_t offset = reinterpret_cast<uintptr_t>(s) - reinterpret_cast<uintptr_t>(block);
    bool inside = offset < size;
    char *grown = static_cast<char *>(realloc(block, needed));
    if (grown == nullptr)
        return nullptr;
    append(grown, size, inside ? grown + offset : s, len);
    return grown;
}

char *mstradd_r(char **ms, const char *s)
{
    char *grown = mstring_internal::grow(*ms, mstring_size(*ms), s, mstring_internal::length(s));
    if (grown != nullptr)
        *ms = grown;
    return grown;
}
