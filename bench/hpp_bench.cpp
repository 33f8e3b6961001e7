// SPDX-License-Identifier: MIT
// Times building lists with mstring.hpp against glibc's argz and
// std::vector<std::string>: push_back loops of 10,000 to 1,000,000 strings
// and list::from against argz_create, with a bare strlen and memcpy loop
// as the floor.  Every built list is compared with mkmstrv's block for the
// same strings, with the clock stopped; a mismatch ends that benchmark with
// an error instead of a time.  Then reading: iterating a list against
// iterating a std::vector<std::string>, and list::split of a 4 MiB
// find -print0 buffer against memchr over the same bytes.
#include <argz.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string_view>
#include <string>
#include <vector>

#include "mstring.hpp"

namespace {

// n random strings, lengths uniform in 1 .. 15 (average 8), bytes uniform
// in 0x01 .. 0xfe, as std::strings and as a null-terminated vector into
// one pool where they lie back to back, as argv's do; a null-terminated
// vector of the std::strings' own bytes, scattered 32 bytes apart; and
// mkmstrv's block.
struct Strings {
    std::vector<std::string> strings;
    std::string pool;
    std::vector<char *> v;
    std::vector<char *> scattered;
    std::string want;
};

const Strings &strings(std::size_t n)
{
    static std::map<std::size_t, Strings> made;
    Strings &x = made[n];
    if (x.strings.empty()) {
        std::mt19937 rng(1);
        std::uniform_int_distribution<std::size_t> length(1, 15);
        std::uniform_int_distribution<int> byte(0x01, 0xfe);
        for (std::size_t i = 0; i < n; ++i) {
            std::string s(length(rng), '\0');
            for (char &c : s)
                c = static_cast<char>(byte(rng));
            x.pool.append(s).push_back('\0');
            x.strings.push_back(std::move(s));
        }
        for (std::size_t at = 0; at < x.pool.size(); at += std::strlen(&x.pool[at]) + 1)
            x.v.push_back(&x.pool[at]);
        x.v.push_back(nullptr);
        for (std::string &s : x.strings)
            x.scattered.push_back(s.data());
        x.scattered.push_back(nullptr);
        char *ms = mkmstrv(x.v.data());
        x.want.assign(ms, mstrsize(ms));
        std::free(ms);
    }
    return x;
}

// Runs build, which returns whether its result (checked with the clock
// stopped) holds the strings.
template <class Build>
void run(benchmark::State &state, std::size_t n, Build build)
{
    const Strings &x = strings(n);
    for (auto _ : state) {
        if (!build(state, x)) {
            state.SkipWithError("wrong result");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}

bool same(const char *block, std::size_t bytes, const std::string &want)
{
    return block != nullptr && bytes == want.size() && std::memcmp(block, want.data(), bytes) == 0;
}

// argz leaves out the final NUL: its length is the multi-string's size - 1.
bool same_argz(const char *argz, std::size_t len, const std::string &want)
{
    return argz != nullptr && len + 1 == want.size() && std::memcmp(argz, want.data(), len) == 0;
}

// Compares list with want and releases it, with the clock stopped.
bool checked(benchmark::State &state, mstring::list &list, const std::string &want)
{
    state.PauseTiming();
    bool ok = same(list.get(), list.bytes(), want);
    list = mstring::list();
    state.ResumeTiming();
    return ok;
}

bool push_back(benchmark::State &state, const Strings &x)
{
    mstring::list list;
    for (char *const *s = x.v.data(); *s != nullptr; ++s)
        if (!list.push_back(*s))
            return false;
    return checked(state, list, x.want);
}

bool from_vector(benchmark::State &state, const Strings &x)
{
    mstring::list list = mstring::list::from(x.v.data());
    return checked(state, list, x.want);
}

bool from_scattered(benchmark::State &state, const Strings &x)
{
    mstring::list list = mstring::list::from(x.scattered.data());
    return checked(state, list, x.want);
}

bool from_strings(benchmark::State &state, const Strings &x)
{
    mstring::list list = mstring::list::from(x.strings);
    return checked(state, list, x.want);
}

bool argz_add_loop(benchmark::State &state, const Strings &x)
{
    char *argz = nullptr;
    std::size_t len = 0;
    int err = 0;
    for (char *const *s = x.v.data(); err == 0 && *s != nullptr; ++s)
        err = argz_add(&argz, &len, *s);
    state.PauseTiming();
    bool ok = err == 0 && same_argz(argz, len, x.want);
    std::free(argz);
    state.ResumeTiming();
    return ok;
}

bool argz_create_of(benchmark::State &state, const Strings &x, char *const *v)
{
    char *argz = nullptr;
    std::size_t len = 0;
    int err = argz_create(v, &argz, &len);
    state.PauseTiming();
    bool ok = err == 0 && same_argz(argz, len, x.want);
    std::free(argz);
    state.ResumeTiming();
    return ok;
}

// The floor for any list that copies its strings: strlen and memcpy of
// each into one block allocated beforehand at its final size.  Its growth
// from one size to the next is the machine's, not a list's.
bool strlen_memcpy(benchmark::State &state, const Strings &x)
{
    char *block = static_cast<char *>(std::malloc(x.want.size()));
    if (block == nullptr)
        return false;
    char *out = block;
    for (char *const *s = x.v.data(); *s != nullptr; ++s) {
        std::size_t len = std::strlen(*s) + 1;
        std::memcpy(out, *s, len);
        out += len;
    }
    *out = '\0';
    state.PauseTiming();
    bool ok = same(block, static_cast<std::size_t>(out + 1 - block), x.want);
    std::free(block);
    state.ResumeTiming();
    return ok;
}

bool argz_create_vector(benchmark::State &state, const Strings &x)
{
    return argz_create_of(state, x, x.v.data());
}

bool argz_create_scattered(benchmark::State &state, const Strings &x)
{
    return argz_create_of(state, x, x.scattered.data());
}

bool vector_push_back(benchmark::State &state, const Strings &x)
{
    std::vector<std::string> v;
    for (char *const *s = x.v.data(); *s != nullptr; ++s)
        v.push_back(*s);
    state.PauseTiming();
    bool ok = v == x.strings;
    v = std::vector<std::string>();
    state.ResumeTiming();
    return ok;
}

bool vector_push_back_reserved(benchmark::State &state, const Strings &x)
{
    std::vector<std::string> v;
    v.reserve(x.strings.size());
    for (char *const *s = x.v.data(); *s != nullptr; ++s)
        v.push_back(*s);
    state.PauseTiming();
    bool ok = v == x.strings;
    v = std::vector<std::string>();
    state.ResumeTiming();
    return ok;
}

// Iterating: the sum of the strings' lengths, which must be the pool's
// size less its NULs.
bool iterate(benchmark::State &, const Strings &x)
{
    static const mstring::list list = mstring::list::from(x.v.data());
    std::size_t sum = 0;
    for (std::string_view s : list)
        sum += s.size();
    benchmark::DoNotOptimize(sum);
    return sum == x.pool.size() - x.strings.size();
}

bool vector_iterate(benchmark::State &, const Strings &x)
{
    std::size_t sum = 0;
    for (const std::string &s : x.strings)
        sum += s.size();
    benchmark::DoNotOptimize(sum);
    return sum == x.pool.size() - x.strings.size();
}

// find -print0 output: 4 MiB of paths of 8 to 120 bytes, each with its
// NUL, and 0xff behind them for memchr to find.
const std::string &print0()
{
    static std::string out;
    if (out.empty()) {
        std::mt19937 rng(2);
        std::uniform_int_distribution<std::size_t> length(8, 120);
        std::uniform_int_distribution<int> byte(0x01, 0xfe);
        while (out.size() < (std::size_t(4) << 20)) {
            for (std::size_t n = length(rng); n > 0; --n)
                out.push_back(static_cast<char>(byte(rng)));
            out.push_back('\0');
        }
        out.push_back('\xff');
    }
    return out;
}

void split(benchmark::State &state)
{
    const std::string_view buffer(print0().data(), print0().size() - 1);
    for (auto _ : state) {
        mstring::list list = mstring::list::split(buffer);
        state.PauseTiming();
        bool ok = list.bytes() == buffer.size() + 1 && std::memcmp(list.get(), buffer.data(), buffer.size()) == 0;
        list = mstring::list();
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("wrong result");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * buffer.size()));
}

void memchr_print0(benchmark::State &state)
{
    const std::string &bytes = print0();
    for (auto _ : state) {
        const void *p = std::memchr(bytes.data(), 0xff, bytes.size());
        benchmark::DoNotOptimize(p);
        if (p != bytes.data() + bytes.size() - 1) {
            state.SkipWithError("wrong result");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (bytes.size() - 1)));
}

template <bool (*Build)(benchmark::State &, const Strings &)>
void add(const char *name, std::size_t n)
{
    benchmark::RegisterBenchmark(name, [n](benchmark::State &s) { run(s, n, Build); })
        ->Unit(benchmark::kMillisecond);
}

[[maybe_unused]] const bool registered = [] {
    // Growth from 10,000 to 100,000 strings and on to 1,000,000, and the
    // same steps of the other loops, which are linear too.
    add<push_back>("list/push_back/10000", 10000);
    add<push_back>("list/push_back/100000", 100000);
    add<push_back>("list/push_back/1000000", 1000000);
    add<argz_add_loop>("list/argz_add/10000", 10000);
    add<argz_add_loop>("list/argz_add/100000", 100000);
    add<argz_add_loop>("list/argz_add/1000000", 1000000);
    add<vector_push_back>("list/vector_push_back/10000", 10000);
    add<vector_push_back>("list/vector_push_back/100000", 100000);
    add<vector_push_back>("list/vector_push_back/1000000", 1000000);
    add<strlen_memcpy>("list/strlen_memcpy/10000", 10000);
    add<strlen_memcpy>("list/strlen_memcpy/100000", 100000);
    add<strlen_memcpy>("list/strlen_memcpy/1000000", 1000000);
    add<vector_push_back_reserved>("list/vector_push_back_reserved/1000000", 1000000);
    add<iterate>("list/iterate/1000000", 1000000);
    add<vector_iterate>("list/vector_iterate/1000000", 1000000);
    benchmark::RegisterBenchmark("list/split/4MiB", split)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("list/memchr/4MiB", memchr_print0)->Unit(benchmark::kMillisecond);
    add<from_vector>("list/from/100000", 100000);
    add<from_strings>("list/from_strings/100000", 100000);
    add<argz_create_vector>("list/argz_create/100000", 100000);
    add<from_scattered>("list/from_scattered/100000", 100000);
    add<argz_create_scattered>("list/argz_create_scattered/100000", 100000);
    return true;
}();

} // namespace
