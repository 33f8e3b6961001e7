// SPDX-License-Identifier: MIT
// Building a multi-string from a null-terminated list of strings.
#include "mstring.h"

#include <stdarg.h>
#include <stdlib.h>

#include "blocks.h"
#include "mstring-internal.h"

namespace {

// Builds from first and the strings that next() yields up to a null one.
// The multi-string's size is kept as it grows rather than measured again;
// an empty string after the first adds a byte to the block, not to it.
template <class Next>
char *build(const char *first, Next next)
{
    if (first == nullptr)
        return nullptr;
    char *block = mstring_init(first, 0);
    if (block == nullptr)
        return nullptr;
    size_t size = mstring_internal::length(first) + 2; // fits: mstrinit made it
    for (const char *s = next(); s != nullptr; s = next()) {
        size_t len = mstring_internal::length(s);
        char *grown = mstring_internal::grow(block, size, s, len);
        if (grown == nullptr) {
            free(block);
            return nullptr;
        }
        block = grown;
        if (len != 0) // cannot wrap: grow refuses a size + len + 1 past SIZE_MAX
            size += len + 1;
    }
    return block;
}

} // namespace

char *mkmstrl(const char *s, ...)
{
    va_list ap;
    va_start(ap, s);
    char *block = build(s, [&ap] { return va_arg(ap, const char *); });
    va_end(ap);
    return block;
}

char *mkmstrv(char *const *v)
{
    if (v == nullptr)
        return nullptr;
    char *const *next = v + 1;
    return build(v[0], [&next] { return *next++; });
}
