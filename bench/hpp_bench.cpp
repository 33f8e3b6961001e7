// SPDX-License-Identifier: MIT
// Times building lists with mstring.hpp against glibc's argz and
// std::vector<std::string>: push_back loops of 10,000 to 1,000,000 strings
// and list::from against argz_create, with a bare strlen and memcpy loop
// as the floor.  Then reading: iterating a list against iterating a
// std::vector<std::string>, and list::split of a 4 MiB find -print0 buffer
// against one memcpy of it and memchr over it.  Every result is checked,
// and released, with the clock stopped (see timed); a wrong one ends its
// benchmark with an error instead of a time.
#include <argz.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mstring.hpp"

namespace {

// n random strings, lengths uniform in shortest .. longest, bytes uniform
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

const Strings &strings(std::size_t n, std::size_t shortest = 1, std::size_t longest = 15)
{
    static std::map<std::pair<std::size_t, std::size_t>, Strings> made;
    Strings &x = made[{n, shortest * 256 + longest}];
    if (x.strings.empty()) {
        std::mt19937 rng(1);
        std::uniform_int_distribution<std::size_t> length(shortest, longest);
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

/*
 * Each iteration times build() alone: check(result), and releasing the
 * result (it is moved out and destroyed), run with the clock stopped.  A
 * false check ends the benchmark with an error.  items is what one build
 * processes, strings or bytes.
 */
template <class Build, class Check>
void timed(benchmark::State &state, std::size_t items, bool bytes, Build build, Check check)
{
    for (auto _ : state) {
        auto result = build();
        state.PauseTiming();
        const bool ok = check(result);
        static_cast<void>(decltype(result)(std::move(result)));
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("wrong result");
            break;
        }
    }
    const auto processed = static_cast<int64_t>(state.iterations() * items);
    if (bytes)
        state.SetBytesProcessed(processed);
    else
        state.SetItemsProcessed(processed);
}

using block = std::unique_ptr<char, mstring::free_deleter>;

// An argz vector: its buffer and length.
struct Argz {
    block argz;
    std::size_t len = 0;
    int err = 0;
};

bool same(const char *bytes, std::size_t size, const std::string &want)
{
    return bytes != nullptr && size == want.size() && std::memcmp(bytes, want.data(), size) == 0;
}
bool same_list(const mstring::list &l, const std::string &want)
{
    return same(l.get(), l.bytes(), want);
}
// argz leaves out the final NUL: its length is the multi-string's size - 1.
bool same_argz(const Argz &a, const std::string &want)
{
    return a.err == 0 && a.len + 1 == want.size() && same(a.argz.get(), a.len, want.substr(0, a.len));
}

using Bench = void (*)(benchmark::State &, const Strings &);

void push_back(benchmark::State &state, const Strings &x)
{
    timed(state, x.strings.size(), false,
          [&] {
              mstring::list list;
              for (char *const *s = x.v.data(); *s != nullptr; ++s)
                  if (!list.push_back(*s))
                      break;
              return list;
          },
          [&](const mstring::list &l) { return same_list(l, x.want); });
}

void argz_add_loop(benchmark::State &state, const Strings &x)
{
    timed(state, x.strings.size(), false,
          [&] {
              char *argz = nullptr;
              std::size_t len = 0;
              int err = 0;
              for (char *const *s = x.v.data(); err == 0 && *s != nullptr; ++s)
                  err = argz_add(&argz, &len, *s);
              return Argz{block(argz), len, err};
          },
          [&](const Argz &a) { return same_argz(a, x.want); });
}

void vector_push_back(benchmark::State &state, const Strings &x)
{
    timed(state, x.strings.size(), false,
          [&] {
              std::vector<std::string> v;
              for (char *const *s = x.v.data(); *s != nullptr; ++s)
                  v.push_back(*s);
              return v;
          },
          [&](const std::vector<std::string> &v) { return v == x.strings; });
}

void vector_push_back_reserved(benchmark::State &state, const Strings &x)
{
    timed(state, x.strings.size(), false,
          [&] {
              std::vector<std::string> v;
              v.reserve(x.strings.size());
              for (char *const *s = x.v.data(); *s != nullptr; ++s)
                  v.push_back(*s);
              return v;
          },
          [&](const std::vector<std::string> &v) { return v == x.strings; });
}

// The floor for any list that copies its strings: strlen and memcpy of
// each into one block allocated beforehand at its final size.  Its growth
// from one size to the next is the machine's, not a list's.
void strlen_memcpy(benchmark::State &state, const Strings &x)
{
    timed(state, x.strings.size(), false,
          [&] {
              block b(static_cast<char *>(std::malloc(x.want.size())));
              char *out = b.get();
              for (char *const *s = x.v.data(); out != nullptr && *s != nullptr; ++s) {
                  std::size_t len = std::strlen(*s) + 1;
                  std::memcpy(out, *s, len);
                  out += len;
              }
              if (out != nullptr)
                  *out = '\0';
              return b;
          },
          [&](const block &b) { return same(b.get(), x.want.size(), x.want); });
}

void from_vector(benchmark::State &state, const Strings &x)
{
    timed(state, x.strings.size(), false, [&] { return mstring::list::from(x.v.data()); },
          [&](const mstring::list &l) { return same_list(l, x.want); });
}

void from_scattered(benchmark::State &state, const Strings &x)
{
    timed(state, x.strings.size(), false, [&] { return mstring::list::from(x.scattered.data()); },
          [&](const mstring::list &l) { return same_list(l, x.want); });
}

void from_strings(benchmark::State &state, const Strings &x)
{
    timed(state, x.strings.size(), false, [&] { return mstring::list::from(x.strings); },
          [&](const mstring::list &l) { return same_list(l, x.want); });
}

void argz_create_of(benchmark::State &state, const Strings &x, char *const *v)
{
    timed(state, x.strings.size(), false,
          [&] {
              Argz a;
              char *argz = nullptr;
              a.err = argz_create(v, &argz, &a.len);
              a.argz.reset(argz);
              return a;
          },
          [&](const Argz &a) { return same_argz(a, x.want); });
}

void argz_create_vector(benchmark::State &state, const Strings &x)
{
    argz_create_of(state, x, x.v.data());
}

void argz_create_scattered(benchmark::State &state, const Strings &x)
{
    argz_create_of(state, x, x.scattered.data());
}

// Iterating: the sum of the strings' lengths, which must be the pool's
// size less its NULs; through the list, through a view of its bare
// pointer (which measures each string), and through a vector.
void iterate(benchmark::State &state, const Strings &x)
{
    static const mstring::list list = mstring::list::from(x.v.data());
    timed(state, x.strings.size(), false,
          [&] {
              std::size_t sum = 0;
              for (std::string_view s : list)
                  sum += s.size();
              benchmark::DoNotOptimize(sum);
              return sum;
          },
          [&](std::size_t sum) { return sum == x.pool.size() - x.strings.size(); });
}

void view_iterate(benchmark::State &state, const Strings &x)
{
    static const mstring::list list = mstring::list::from(x.v.data());
    timed(state, x.strings.size(), false,
          [&] {
              std::size_t sum = 0;
              for (std::string_view s : mstring::view(list.get()))
                  sum += s.size();
              benchmark::DoNotOptimize(sum);
              return sum;
          },
          [&](std::size_t sum) { return sum == x.pool.size() - x.strings.size(); });
}

void vector_iterate(benchmark::State &state, const Strings &x)
{
    timed(state, x.strings.size(), false,
          [&] {
              std::size_t sum = 0;
              for (const std::string &s : x.strings)
                  sum += s.size();
              benchmark::DoNotOptimize(sum);
              return sum;
          },
          [&](std::size_t sum) { return sum == x.pool.size() - x.strings.size(); });
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
    timed(state, buffer.size(), true, [&] { return mstring::list::split(buffer); },
          [&](const mstring::list &l) {
              return l.bytes() == buffer.size() + 1 && std::memcmp(l.get(), buffer.data(), buffer.size()) == 0;
          });
}

// The floor for split: one memcpy of the buffer, into a block allocated
// once beforehand.
void memcpy_print0(benchmark::State &state)
{
    const std::string_view buffer(print0().data(), print0().size() - 1);
    static const block to(static_cast<char *>(std::malloc(buffer.size())));
    timed(state, buffer.size(), true, [&] { return std::memcpy(to.get(), buffer.data(), buffer.size()); },
          [&](const void *p) { return p == to.get() && std::memcmp(p, buffer.data(), buffer.size()) == 0; });
}

void memchr_print0(benchmark::State &state)
{
    const std::string &bytes = print0();
    timed(state, bytes.size() - 1, true, [&] { return std::memchr(bytes.data(), 0xff, bytes.size()); },
          [&](const void *p) { return p == bytes.data() + bytes.size() - 1; });
}

void add(const char *name, Bench bench, std::size_t n, std::size_t shortest = 1, std::size_t longest = 15)
{
    benchmark::RegisterBenchmark(name, [=](benchmark::State &s) { bench(s, strings(n, shortest, longest)); })
        ->Unit(benchmark::kMillisecond);
}

[[maybe_unused]] const bool registered = [] {
    // Growth from 10,000 to 100,000 strings and on to 1,000,000, and the
    // same steps of the other loops, which are linear too.
    add("list/push_back/10000", push_back, 10000);
    add("list/push_back/100000", push_back, 100000);
    add("list/push_back/1000000", push_back, 1000000);
    add("list/argz_add/10000", argz_add_loop, 10000);
    add("list/argz_add/100000", argz_add_loop, 100000);
    add("list/argz_add/1000000", argz_add_loop, 1000000);
    add("list/vector_push_back/10000", vector_push_back, 10000);
    add("list/vector_push_back/100000", vector_push_back, 100000);
    add("list/vector_push_back/1000000", vector_push_back, 1000000);
    add("list/strlen_memcpy/10000", strlen_memcpy, 10000);
    add("list/strlen_memcpy/100000", strlen_memcpy, 100000);
    add("list/strlen_memcpy/1000000", strlen_memcpy, 1000000);
    add("list/vector_push_back_reserved/1000000", vector_push_back_reserved, 1000000);
    // Iterating strings of 6 to 8 bytes.
    add("list/iterate/1000000", iterate, 1000000, 6, 8);
    add("list/view_iterate/1000000", view_iterate, 1000000, 6, 8);
    add("list/vector_iterate/1000000", vector_iterate, 1000000, 6, 8);
    benchmark::RegisterBenchmark("list/split/4MiB", split)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("list/memcpy/4MiB", memcpy_print0)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("list/memchr/4MiB", memchr_print0)->Unit(benchmark::kMillisecond);
    add("list/from/100000", from_vector, 100000);
    add("list/from_strings/100000", from_strings, 100000);
    add("list/argz_create/100000", argz_create_vector, 100000);
    add("list/from_scattered/100000", from_scattered, 100000);
    add("list/argz_create_scattered/100000", argz_create_scattered, 100000);
    return true;
}();

} // namespace
