// SPDX-License-Identifier: MIT
#include "heap.h"

#include <cstdlib>
#include <cstring>
#include <malloc.h>

// The allocator behind the hooks.  Normally glibc's own entry points,
// which valgrind replaces as well (run it with
// --soname-synonyms=somalloc=nouserintercepts so that these hooks stay in
// place).  Under AddressSanitizer its allocator instead: the hooks replace
// its malloc, and blocks from glibc's would be foreign to it and unchecked.
#if defined(__SANITIZE_ADDRESS__)
#define HEAP_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HEAP_ASAN 1
#endif
#endif

#ifdef HEAP_ASAN
#define REAL(f) __interceptor_##f
#else
#define REAL(f) __libc_##f
#endif

extern "C" void *REAL(malloc)(std::size_t);
extern "C" void *REAL(realloc)(void *, std::size_t);
extern "C" void REAL(free)(void *);

namespace {

// Plain static storage: the hooks must not allocate.
constexpr int kMaxCalls = 4096;
heap::Call g_log[kMaxCalls];
int g_count;
int g_requests;
int g_fail_at;
long g_live;
bool g_on;
bool g_moving;

void log(char kind, const void *ptr, std::size_t size, const void *result)
{
    if (g_count < kMaxCalls)
        g_log[g_count++] = heap::Call{kind, ptr, size, result};
}

// True when this request is the one to refuse.
bool refuse()
{
    return ++g_requests == g_fail_at;
}

// A realloc that always moves the block and poisons the old one.
void *moved(void *ptr, std::size_t size)
{
    void *p = REAL(malloc)(size);
    if (p != nullptr && ptr != nullptr) {
        std::size_t old = malloc_usable_size(ptr);
        std::memcpy(p, ptr, old < size ? old : size);
        std::memset(ptr, 0xEE, old);
        REAL(free)(ptr);
    }
    return p;
}

} // namespace

extern "C" void *malloc(std::size_t size)
{
    if (!g_on)
        return REAL(malloc)(size);
    void *p = refuse() ? nullptr : REAL(malloc)(size);
    g_live += p != nullptr;
    log('m', nullptr, size, p);
    return p;
}

extern "C" void *realloc(void *ptr, std::size_t size)
{
    if (!g_on)
        return REAL(realloc)(ptr, size);
    void *p = refuse() ? nullptr : g_moving ? moved(ptr, size) : REAL(realloc)(ptr, size);
    if (ptr == nullptr)
        g_live += p != nullptr;
    log('r', ptr, size, p);
    return p;
}

extern "C" void free(void *ptr)
{
    if (g_on && ptr != nullptr) {
        --g_live;
        log('f', ptr, 0, nullptr);
    }
    REAL(free)(ptr);
}

namespace heap {

Recording::Recording(int fail_at, bool moving)
{
    g_moving = moving;
    g_count = 0;
    g_requests = 0;
    g_live = 0;
    g_fail_at = fail_at;
    g_on = true;
}

Recording::~Recording()
{
    g_on = false;
}

std::vector<Call> Recording::calls() const
{
    g_on = false;
    return std::vector<Call>(g_log, g_log + g_count);
}

int Recording::requests() const
{
    g_on = false;
    return g_requests;
}

long Recording::live() const
{
    g_on = false;
    return g_live;
}

} // namespace heap
