// SPDX-License-Identifier: MIT
// The reading, growing and printing functions exactly as their algorithms
// are first described, a byte at a time and measuring again on every call:
// the baseline that the library's results and times are compared with.
#ifndef MSTRING_BENCH_LITERAL_H
#define MSTRING_BENCH_LITERAL_H

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace literal {

// Looks at the byte pair at every offset until both are NUL.
inline size_t mstrsize(const char *ms)
{
    size_t i = 0;
    while (!(ms[i] == '\0' && ms[i + 1] == '\0'))
        ++i;
    return i + 2;
}

// Every NUL counts; a NUL followed by a NUL ends the count.
inline int mstrcount(const char *ms)
{
    int count = 0;
    for (size_t i = 0;; ++i) {
        if (ms[i] == '\0') {
            ++count;
            if (ms[i + 1] == '\0')
                return count;
        }
    }
}

// Stops at the (n - 1)-th NUL: null if it is the final NUL, else the byte
// after it.
inline char *mstrindex(const char *ms, int n)
{
    if (n == 1)
        return const_cast<char *>(ms);
    int nuls = 0;
    for (size_t i = 0;; ++i) {
        if (ms[i] == '\0' && ++nuls == n - 1)
            return i > 0 && ms[i - 1] == '\0' ? nullptr : const_cast<char *>(ms + i + 1);
    }
}

inline char *mstrinit(const char *s)
{
    size_t size = std::strlen(s) + 2;
    char *block = static_cast<char *>(std::malloc(size));
    if (block == nullptr)
        return nullptr;
    std::strncpy(block, s, size);
    block[size - 2] = '\0';
    block[size - 1] = '\0';
    return block;
}

inline char *mstradd(char *ms, const char *s)
{
    size_t k = mstrsize(ms);
    size_t n = std::strlen(s) + 1;
    std::memcpy(ms + k - 1, s, n);
    ms[k + n - 1] = '\0';
    return ms;
}

// Measures the list here and again in mstradd, and s twice.
inline char *mstradd_r(char **ms, const char *s)
{
    size_t needed = mstrsize(*ms) + std::strlen(s) + 1;
    char *grown = static_cast<char *>(std::realloc(*ms, needed));
    if (grown == nullptr)
        return nullptr;
    *ms = grown;
    return mstradd(grown, s);
}

inline char *mkmstrv(char *const *v)
{
    if (v[0] == nullptr)
        return nullptr;
    char *block = mstrinit(v[0]);
    for (char *const *s = v + 1; block != nullptr && *s != nullptr; ++s) {
        if (mstradd_r(&block, *s) == nullptr) {
            std::free(block);
            return nullptr;
        }
    }
    return block;
}

inline int putmss(const char *ms, int n)
{
    if (n == 0)
        return 0;
    return std::puts(mstrindex(ms, n));
}

// Counts, then looks every string up from the start.
inline int putms(const char *ms)
{
    int count = mstrcount(ms);
    int total = 0;
    for (int i = 1; i <= count; ++i)
        total += putmss(ms, i);
    return total;
}

} // namespace literal

#endif
