// SPDX-License-Identifier: MIT
// Times the library against the literal algorithms (literal.h), glibc's
// argz functions and the practical limits (memchr over the same bytes, a
// plain loop of puts).  Every timed call's result is compared with what the
// literal algorithm gave for the same input; a mismatch ends that benchmark
// with an error instead of a time.
#include <argz.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "literal.h"
#include "mstring.h"
#include "variants.h"

namespace {

// ---- Inputs ---------------------------------------------------------------

// Random strings with lengths uniform in 1 .. 2 * average - 1 and bytes
// uniform in 0x01 .. 0xfe (0xff marks the end for memchr).
std::vector<std::string> random_strings(size_t average, size_t count, size_t bytes, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<size_t> length(1, 2 * average - 1);
    std::uniform_int_distribution<int> byte(0x01, 0xfe);
    std::vector<std::string> out;
    size_t total = 0;
    while (out.size() < count && total < bytes) {
        std::string s(length(rng), '\0');
        for (char &c : s)
            c = static_cast<char>(byte(rng));
        total += s.size() + 1;
        out.push_back(std::move(s));
    }
    return out;
}

// A multi-string of about bytes bytes, followed by one 0xff byte, with
// the answers of the literal algorithms.
struct List {
    std::vector<char> bytes;
    size_t size;
    int count;
    const char *last; // mstrindex(ms, count)
    const char *ms() const { return bytes.data(); }
};

List make_list(size_t average, size_t bytes)
{
    List l;
    for (const std::string &s : random_strings(average, SIZE_MAX, bytes, static_cast<unsigned>(average))) {
        l.bytes.insert(l.bytes.end(), s.begin(), s.end());
        l.bytes.push_back('\0');
    }
    l.bytes.push_back('\0');
    l.bytes.push_back('\xff');
    l.size = literal::mstrsize(l.ms());
    l.count = literal::mstrcount(l.ms());
    l.last = literal::mstrindex(l.ms(), l.count);
    return l;
}

// n strings of average length 8 as a null-terminated vector, with the
// multi-string that building from them must give.
struct Vector {
    std::vector<std::string> strings;
    std::vector<char *> v;
    std::string want;
};

Vector make_vector(size_t n)
{
    Vector x;
    x.strings = random_strings(8, n, SIZE_MAX, 1);
    for (std::string &s : x.strings)
        x.v.push_back(&s[0]);
    x.v.push_back(nullptr);
    char *ms = literal::mkmstrv(x.v.data());
    x.want.assign(ms, literal::mstrsize(ms));
    std::free(ms);
    return x;
}

// A built block and the number of bytes it holds: a multi-string's size,
// or for argz the length it reports, which leaves out the final NUL.
struct Built {
    char *block;
    size_t bytes;
    size_t missing; // 1 for argz's final NUL
};

bool same(const Built &b, const std::string &want)
{
    return b.block != nullptr && b.bytes + b.missing == want.size() && std::memcmp(b.block, want.data(), b.bytes) == 0;
}

// ---- Scanning ------------------------------------------------------------

template <class Scan>
void scan(benchmark::State &state, const List &l, Scan call)
{
    for (auto _ : state) {
        bool ok = call(l);
        benchmark::ClobberMemory();
        if (!ok) {
            state.SkipWithError("wrong result");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * l.size));
}

// The 4 MiB lists against everything; the 64 MiB ones (names starting
// "mem/"), where every scan waits on memory, and the 512 KiB ones
// ("cache/"), which stay in a core's L2 cache, where the scan's own work
// shows, against memchr alone.
void register_scans(const List &l, size_t average, const std::string &prefix)
{
    const std::string tail = "/" + std::to_string(average);
    auto add = [&](const std::string &name, auto call) {
        benchmark::RegisterBenchmark((prefix + name + tail).c_str(), [&l, call](benchmark::State &s) { scan(s, l, call); });
    };
    const bool all = prefix.empty();
    add("size/library", [](const List &x) { return mstrsize(x.ms()) == x.size; });
    add("count/library", [](const List &x) { return mstrcount(x.ms()) == x.count; });
    add("index/library", [](const List &x) { return mstrindex(x.ms(), x.count) == x.last; });
    if (all) {
        add("size/literal", [](const List &x) { return literal::mstrsize(x.ms()) == x.size; });
        add("count/literal", [](const List &x) { return literal::mstrcount(x.ms()) == x.count; });
        add("count/argz_count", [](const List &x) {
            return argz_count(x.ms(), x.size - 1) == static_cast<size_t>(x.count);
        });
        add("index/literal", [](const List &x) { return literal::mstrindex(x.ms(), x.count) == x.last; });
    }
    add("memchr", [](const List &x) {
        return std::memchr(x.ms(), 0xff, x.size + 1) == x.ms() + x.size;
    });
    // Every variant this processor runs, called directly.
    for (const mstring_internal::variant &v : mstring_internal::variants) {
        if ((v.needs & ~mstring_internal::cpu_features()) != 0)
            continue;
        const std::string name = v.name;
        add("size/" + name, [&v](const List &x) { return v.size(x.ms()) == x.size; });
        add("count/" + name, [&v](const List &x) { return v.count(x.ms()) == x.count; });
        add("index/" + name, [&v](const List &x) { return v.index(x.ms(), x.count) == x.last; });
    }
}

// ---- Small lists ---------------------------------------------------------

// 64 different lists of one total size, each at the same offset from a
// 64-byte boundary, with the size, count and index (the count) that the
// literal algorithms give for each.
struct Smalls {
    std::vector<char> bytes;
    const char *ms[64];
    int n[64];
    size_t size;
    int count[64];
    const char *last[64];
};

constexpr size_t kSlot = 1152; // room for 1024 bytes at any offset below 64

// Strings of random lengths filling exactly size - 1 bytes, then the final
// NUL; bytes behind the list are 'x'.
void make_small(char *at, size_t size, std::mt19937 &rng)
{
    size_t left = size - 1, i = 0;
    if (left == 1)
        at[i++] = '\0'; // only "\0\0" has size 2
    for (left -= i; left != 0;) {
        size_t len = std::uniform_int_distribution<size_t>(1, left - 1 < 15 ? left - 1 : 15)(rng);
        if (left - (len + 1) == 1) // one byte cannot hold another string
            ++len;
        for (size_t k = 0; k < len; ++k)
            at[i++] = static_cast<char>(std::uniform_int_distribution<int>(0x01, 0xff)(rng));
        at[i++] = '\0';
        left -= len + 1;
    }
    at[i] = '\0';
}

void fill_smalls(Smalls &s, size_t size, size_t align)
{
    std::mt19937 rng(static_cast<unsigned>(size));
    s.bytes.assign(64 * kSlot + 64, 'x');
    char *base = s.bytes.data() + (64 - reinterpret_cast<uintptr_t>(s.bytes.data()) % 64);
    s.size = size;
    for (int i = 0; i < 64; ++i) {
        char *at = base + static_cast<size_t>(i) * kSlot + align;
        make_small(at, size, rng);
        s.ms[i] = at;
        s.count[i] = literal::mstrcount(at);
        s.n[i] = s.count[i];
        s.last[i] = literal::mstrindex(at, s.count[i]);
    }
}

// One call on each of the 64 lists in turn, 16 times over.  Chained, the
// list that comes next depends on the previous result (through a zero the
// compiler cannot see), so calls cannot overlap: the time is the calls'
// latency.  Otherwise the processor may run them as far ahead as it can:
// the time is their throughput.  Returns the time of the 1024 calls in
// seconds, or -1 on a wrong result.
template <bool chained, class Call>
double small_round(const Smalls &s, Call call, uintptr_t zero)
{
    auto start = std::chrono::steady_clock::now();
    uintptr_t r = 0, any = 0;
    bool ok = true;
    for (int k = 0; k < 16 * 64; ++k) {
        uintptr_t after = chained ? r & zero : 0;
        int i = static_cast<int>((static_cast<uintptr_t>(k) + after) & 63);
        r = call(s, i, ok);
        any ^= r;
    }
    benchmark::DoNotOptimize(any);
    auto end = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(r);
    return ok ? std::chrono::duration<double>(end - start).count() : -1;
}

// The median over the 16 start alignments of the time of 1024 calls; one
// iteration times the 16.
template <bool chained, class Call>
void small(benchmark::State &state, size_t size, Call call)
{
    static Smalls at[16];
    for (size_t a = 0; a < 16; ++a)
        fill_smalls(at[a], size, a);
    volatile uintptr_t opaque = 0;
    const uintptr_t zero = opaque;
    for (auto _ : state) {
        double t[16];
        for (size_t a = 0; a < 16; ++a) {
            t[a] = small_round<chained>(at[a], call, zero);
            if (t[a] < 0) {
                state.SkipWithError("wrong result");
                return;
            }
        }
        std::sort(t, t + 16);
        state.SetIterationTime((t[7] + t[8]) / 2);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 16 * 64);
}

// Many different lists of one size for the mix: 1024 of them, back to
// back with 1 to 16 bytes between them, so that neither the branch
// predictor nor the start's alignment repeats, in as little memory as
// that allows (up to 32 KiB for lists up to 16 bytes).
struct Mix {
    std::vector<char> bytes;
    std::vector<const char *> ms, last;
    std::vector<int> count;
    size_t size;
};

void fill_mix(Mix &m, size_t size)
{
    std::mt19937 rng(static_cast<unsigned>(size) + 1);
    const size_t lists = 1024;
    m.bytes.assign(lists * (size + 16) + 64, 'x');
    m.size = size;
    char *at = m.bytes.data();
    for (size_t i = 0; i < lists; ++i) {
        at += std::uniform_int_distribution<size_t>(1, 16)(rng);
        make_small(at, size, rng);
        m.ms.push_back(at);
        m.count.push_back(literal::mstrcount(at));
        m.last.push_back(literal::mstrindex(at, m.count.back()));
        at += size;
    }
}

// The CPU time of this thread, in seconds: the mix is timed by it, so
// that what other processes take of a busy processor is not counted.
double thread_seconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// 1024 calls on the mix's lists in turn from list first, each list's
// address depending on the previous result (through a zero the compiler
// cannot see), as in a chained round.  The thread's CPU time in seconds,
// or -1 on a wrong result.
template <class Call>
double mix_round(const Mix &m, size_t first, Call call, uintptr_t zero)
{
    double start = thread_seconds();
    uintptr_t r = 0, any = 0;
    bool ok = true;
    for (size_t k = 0; k < 1024; ++k) {
        size_t i = (first + k + (r & zero)) & (m.ms.size() - 1);
        r = call(m.ms[i], m.count[i], m.last[i], m.size, ok);
        any ^= r;
    }
    benchmark::DoNotOptimize(any);
    double end = thread_seconds();
    return ok ? end - start : -1;
}

template <class Call>
void mix(benchmark::State &state, size_t size, Call call)
{
    Mix m;
    fill_mix(m, size);
    volatile uintptr_t opaque = 0;
    const uintptr_t zero = opaque;
    size_t first = 0;
    for (auto _ : state) {
        double t = mix_round(m, first, call, zero);
        if (t < 0) {
            state.SkipWithError("wrong result");
            return;
        }
        first += 1024;
        state.SetIterationTime(t);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 1024);
}

// mix/: latency over many lists of one size (see Mix), the library and the
// byte loop.
void register_mix(size_t size)
{
    const std::string tail = "/" + std::to_string(size);
    auto add = [&](const std::string &name, auto call) {
        benchmark::RegisterBenchmark(("mix/" + name + tail).c_str(),
                                     [size, call](benchmark::State &s) { mix(s, size, call); })
            ->UseManualTime()
            ->MinTime(0.05)
            ->Unit(benchmark::kMicrosecond);
    };
    add("size/library", [](const char *ms, int, const char *, size_t want, bool &ok) {
        size_t r = mstrsize(ms);
        ok &= r == want;
        return static_cast<uintptr_t>(r);
    });
    add("size/literal", [](const char *ms, int, const char *, size_t want, bool &ok) {
        size_t r = literal::mstrsize(ms);
        ok &= r == want;
        return static_cast<uintptr_t>(r);
    });
    add("count/library", [](const char *ms, int count, const char *, size_t, bool &ok) {
        int r = mstrcount(ms);
        ok &= r == count;
        return static_cast<uintptr_t>(r);
    });
    add("count/literal", [](const char *ms, int count, const char *, size_t, bool &ok) {
        int r = literal::mstrcount(ms);
        ok &= r == count;
        return static_cast<uintptr_t>(r);
    });
    add("index/library", [](const char *ms, int count, const char *last, size_t, bool &ok) {
        const char *r = mstrindex(ms, count);
        ok &= r == last;
        return reinterpret_cast<uintptr_t>(r);
    });
    add("index/literal", [](const char *ms, int count, const char *last, size_t, bool &ok) {
        const char *r = literal::mstrindex(ms, count);
        ok &= r == last;
        return reinterpret_cast<uintptr_t>(r);
    });
}

void register_smalls()
{
    for (size_t size : {2, 3, 8, 16, 32, 64, 128, 256, 1024}) {
        const std::string tail = "/" + std::to_string(size);
        // small/: throughput; chained/: latency.  An iteration takes 16
        // times the time it reports: the minimum time is kept short.
        auto add = [&](const std::string &name, auto call) {
            benchmark::RegisterBenchmark(("small/" + name + tail).c_str(),
                                         [size, call](benchmark::State &s) { small<false>(s, size, call); })
                ->UseManualTime()
                ->MinTime(0.05)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(("chained/" + name + tail).c_str(),
                                         [size, call](benchmark::State &s) { small<true>(s, size, call); })
                ->UseManualTime()
                ->MinTime(0.05)
                ->Unit(benchmark::kMicrosecond);
        };
        add("size/library", [](const Smalls &s, int i, bool &ok) {
            size_t r = mstrsize(s.ms[i]);
            ok &= r == s.size;
            return static_cast<uintptr_t>(r);
        });
        add("size/literal", [](const Smalls &s, int i, bool &ok) {
            size_t r = literal::mstrsize(s.ms[i]);
            ok &= r == s.size;
            return static_cast<uintptr_t>(r);
        });
        add("count/library", [](const Smalls &s, int i, bool &ok) {
            int r = mstrcount(s.ms[i]);
            ok &= r == s.count[i];
            return static_cast<uintptr_t>(r);
        });
        add("count/literal", [](const Smalls &s, int i, bool &ok) {
            int r = literal::mstrcount(s.ms[i]);
            ok &= r == s.count[i];
            return static_cast<uintptr_t>(r);
        });
        add("index/library", [](const Smalls &s, int i, bool &ok) {
            const char *r = mstrindex(s.ms[i], s.n[i]);
            ok &= r == s.last[i];
            return reinterpret_cast<uintptr_t>(r);
        });
        add("index/literal", [](const Smalls &s, int i, bool &ok) {
            const char *r = literal::mstrindex(s.ms[i], s.n[i]);
            ok &= r == s.last[i];
            return reinterpret_cast<uintptr_t>(r);
        });
        register_mix(size);
    }
}

// ---- Building, appending, printing ---------------------------------------

// Times make() and checks its block against want with the clock stopped.
void building(benchmark::State &state, const Vector &x, Built (*make)(const Vector &))
{
    for (auto _ : state) {
        Built b = make(x);
        state.PauseTiming();
        bool ok = same(b, x.want);
        std::free(b.block);
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("wrong result");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * x.strings.size()));
}

Built build_library(const Vector &x)
{
    return {mkmstrv(x.v.data()), x.want.size(), 0};
}

Built build_literal(const Vector &x)
{
    return {literal::mkmstrv(x.v.data()), x.want.size(), 0};
}

Built build_argz_create(const Vector &x)
{
    char *argz = nullptr;
    size_t len = 0;
    if (argz_create(x.v.data(), &argz, &len) != 0)
        return {nullptr, 0, 0};
    return {argz, len, 1};
}

Built build_argz_add(const Vector &x)
{
    char *argz = nullptr;
    size_t len = 0;
    for (char *const *s = x.v.data(); *s != nullptr; ++s) {
        if (argz_add(&argz, &len, *s) != 0) {
            std::free(argz);
            return {nullptr, 0, 0};
        }
    }
    return {argz, len, 1};
}

// A user's loop: start with the first string, append the others.
template <char *(*add)(char **, const char *)>
Built append(const Vector &x)
{
    char *ms = mstrinit(x.v[0], 0);
    for (char *const *s = x.v.data() + 1; ms != nullptr && *s != nullptr; ++s) {
        if (add(&ms, *s) == nullptr) {
            std::free(ms);
            return {nullptr, 0, 0};
        }
    }
    return {ms, x.want.size(), 0};
}

void add_building(const char *name, const Vector &x, Built (*make)(const Vector &))
{
    benchmark::RegisterBenchmark(name, [&x, make](benchmark::State &s) { building(s, x, make); })
        ->Unit(benchmark::kMillisecond);
}

// Prints to stdout, which main points at /dev/null; the sum of the puts
// results must be want.
void printing(benchmark::State &state, const Vector &x, int want, int (*print)(const Vector &))
{
    for (auto _ : state) {
        if (print(x) != want) {
            state.SkipWithError("wrong result");
            break;
        }
    }
    std::fflush(stdout);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * x.strings.size()));
}

int print_library(const Vector &x)
{
    return putms(x.want.data());
}

int print_literal(const Vector &x)
{
    return literal::putms(x.want.data());
}

int print_puts_loop(const Vector &x)
{
    int total = 0;
    for (char *const *s = x.v.data(); *s != nullptr; ++s)
        total += std::puts(*s);
    return total;
}

void add_printing(const char *name, const Vector &x, int want, int (*print)(const Vector &))
{
    benchmark::RegisterBenchmark(name, [&x, want, print](benchmark::State &s) { printing(s, x, want, print); })
        ->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::AddCustomContext("mstring_scans", mstring_internal::select(mstring_internal::cpu_features()).name);
    benchmark::AddCustomContext("mstring_build", sizeof(void *) == 4 ? "32-bit" : "64-bit");
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("model name", 0) == 0) {
            benchmark::AddCustomContext("cpu_model", line.substr(line.find(':') + 2));
            break;
        }
    }

    // putms writes to stdout: send it to /dev/null and the tables to stderr.
    std::fflush(stdout);
    int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, 1) < 0)
        return 1;

    static const size_t averages[] = {4, 8, 32, 256};
    static std::vector<List> lists;
    static const struct {
        const char *prefix;
        size_t bytes;
    } sizes[] = {{"", 4 << 20}, {"mem/", 64 << 20}, {"cache/", 512 << 10}};
    lists.reserve(12);
    for (const auto &size : sizes) {
        for (size_t a : averages) {
            lists.push_back(make_list(a, size.bytes));
            register_scans(lists.back(), a, size.prefix);
        }
    }
    register_smalls();

    // The literal algorithms are quadratic: they and the library's times
    // to compare with them are taken at 10,000 strings.
    static const Vector v10k = make_vector(10000), v20k = make_vector(20000), v100k = make_vector(100000);
    add_building("mkmstrv/library/10000", v10k, build_library);
    add_building("mkmstrv/literal/10000", v10k, build_literal);
    add_building("mkmstrv/library/100000", v100k, build_library);
    add_building("mkmstrv/argz_create/100000", v100k, build_argz_create);
    add_building("mkmstrv/argz_add/100000", v100k, build_argz_add);
    add_building("append/library/10000", v10k, append<mstradd_r>);
    add_building("append/literal/10000", v10k, append<literal::mstradd_r>);
    add_building("append/library/20000", v20k, append<mstradd_r>);
    add_building("append/argz_add/20000", v20k, build_argz_add);

    // What putms must return: at 10,000 strings the literal print's sum,
    // at 100,000 (where that takes minutes) the plain loop's, which the
    // literal sum at 10,000 vouches for.
    int want10k = print_literal(v10k);
    if (print_puts_loop(v10k) != want10k)
        return 1;
    int want100k = print_puts_loop(v100k);
    add_printing("putms/library/10000", v10k, want10k, print_library);
    add_printing("putms/literal/10000", v10k, want10k, print_literal);
    add_printing("putms/library/100000", v100k, want100k, print_library);
    add_printing("putms/puts_loop/100000", v100k, want100k, print_puts_loop);

    benchmark::ConsoleReporter console;
    console.SetOutputStream(&std::cerr);
    console.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&console);
    benchmark::Shutdown();
    return 0;
}
