// SPDX-License-Identifier: MIT
// The word and SSE2 scanners, and the exported functions that use one of
// them, against a byte-at-a-time reading of the format: every start and end
// alignment, bytes that word tricks confuse with NUL (0x01, 0x80, 0xff...)
// next to NULs, NULs before the start, and the last byte read ending a page
// that a PROT_NONE page follows.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "mstring.h"
#include "scan.h"
#include "support.h"
#include "variants.h"

using namespace std::string_literals;

namespace {

struct Reading {
    size_t size;
    int count;
    std::vector<size_t> starts; // offsets of strings 1 .. count + 1
};

// The format read a byte at a time: each NUL ends a string, and the first
// NUL after a NUL (never counting offset 0 as after one) is the final NUL.
Reading reference(const char *ms)
{
    Reading r{0, 0, {0}};
    for (size_t i = 0;; ++i) {
        if (ms[i] != '\0')
            continue;
        if (i > 0 && ms[i - 1] == '\0') {
            r.size = i + 1;
            return r;
        }
        ++r.count;
        r.starts.push_back(i + 1);
    }
}

struct Scanner {
    const char *name;
    size_t (*size)(const char *);
    int (*count)(const char *);
    char *(*index)(const char *, int);
    bool usable;
};

// GoogleTest would print a Scanner's raw bytes, its padding included.
void PrintTo(const Scanner &s, std::ostream *os)
{
    *os << s.name;
}

// The exported functions and every variant of the library's list.
std::vector<Scanner> scanners()
{
    std::vector<Scanner> all = {{"exported", mstrsize, mstrcount, mstrindex, true}};
    for (const mstring_internal::variant &v : mstring_internal::variants)
        all.push_back({v.name, v.size, v.count, v.index, (v.needs & ~mstring_internal::cpu_features()) == 0});
    return all;
}

// Pages whose last bytes hold the case under test; the 128 bytes before
// the case are NUL, which a scanner that forgets the start would misread.
class Page {
public:
    Page() : g_(std::string(kBytes, '\0')) {}

    const char *place(const std::string &bytes)
    {
        char *at = g_.data() + kBytes - bytes.size();
        std::memset(at - 128, 0, 128);
        bytes.copy(at, bytes.size());
        return at;
    }

    static constexpr size_t kBytes = 32 << 10;

private:
    GuardedBytes g_;
};

class Scan_mstrsize_mstrcount_mstrindex : public testing::TestWithParam<Scanner> {
protected:
    void SetUp() override
    {
        if (!GetParam().usable)
            GTEST_SKIP() << "the processor cannot run " << GetParam().name;
    }

    // Reads the multi-string at the start of bytes in every way and
    // compares with the reference; the last byte of bytes ends the page.
    void check(const std::string &bytes)
    {
        const Scanner &s = GetParam();
        const char *ms = page_.place(bytes);
        Reading want = reference(ms);
        ASSERT_EQ(s.size(ms), want.size) << where(bytes);
        ASSERT_EQ(s.count(ms), want.count) << where(bytes);
        // Every index of short lists; of long ones every 7th and the last 70.
        for (int n = 1; n <= want.count + 1; n += n < want.count - 70 && want.count > 300 ? 7 : 1)
            ASSERT_EQ(s.index(ms, n), ms + want.starts[static_cast<size_t>(n - 1)]) << where(bytes) << " n " << n;
        for (int n : {want.count + 2, want.count + 3, INT_MAX, 0, -1, INT_MIN})
            ASSERT_EQ(s.index(ms, n), nullptr) << where(bytes) << " n " << n;

        // The same list in a heap block of its exact size, where memory
        // checkers watch the bytes around it.
        char *block = static_cast<char *>(std::malloc(want.size));
        std::memcpy(block, ms, want.size);
        EXPECT_EQ(s.size(block), want.size) << where(bytes);
        EXPECT_EQ(s.count(block), want.count) << where(bytes);
        EXPECT_EQ(s.index(block, want.count + 1), block + want.size - 1) << where(bytes);
        std::free(block);
    }

    static std::string where(const std::string &bytes)
    {
        std::string out = std::to_string(bytes.size()) + " bytes";
        for (size_t i = 0; i < bytes.size() && i < 64; ++i)
            out += " " + std::to_string(static_cast<unsigned char>(bytes[i]));
        size_t start = Page::kBytes - bytes.size();
        return out + (bytes.size() > 64 ? " ..." : "") + ", starting at " + std::to_string(start % 128) + " mod 128";
    }

private:
    Page page_;
};

const char kTricky[] = {'\0', '\x01', '\x80', '\xff'};

TEST_P(Scan_mstrsize_mstrcount_mstrindex, EveryShortLayoutAtEveryAlignment)
{
    // Every run of up to 6 bytes from kTricky, closed by two NULs, then 0 to
    // 15 bytes that lie behind the end (NULs and 0x01s), so that the start,
    // the final NUL and the page end meet every offset of a word and of a
    // 16-byte block.
    for (size_t len = 0; len <= 6; ++len) {
        size_t runs = 1;
        for (size_t i = 0; i < len; ++i)
            runs *= 4;
        for (size_t r = 0; r < runs; ++r) {
            std::string bytes;
            for (size_t i = 0, v = r; i < len; ++i, v /= 4)
                bytes += kTricky[v % 4];
            bytes += "\0\0"s;
            for (size_t behind = 0; behind < 16; ++behind) {
                check(bytes + std::string(behind, behind % 2 ? '\x01' : '\0'));
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

TEST_P(Scan_mstrsize_mstrcount_mstrindex, LongStringsAndManyStringsPerWord)
{
    const char fill[] = {'\x01', '\x80', '\xff', '\x7f', '\xfe', 'a'};
    const std::vector<std::vector<size_t>> shapes = {
        {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
        {0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
        {15}, {16}, {17}, {31}, {32}, {33}, {63}, {64}, {65}, {200},
        {0, 47}, {47, 1}, {3, 29, 2, 61, 1},
    };
    for (char f : fill) {
        for (const auto &lens : shapes) {
            std::string ms;
            for (size_t len : lens)
                ms += std::string(len, f) + '\0';
            ms += '\0';
            for (size_t behind = 0; behind < 16; ++behind) {
                check(ms + std::string(behind, '\0'));
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

// Lists past many chunks: strings that fill a chunk with NULs (the most a
// chunk without a NUL pair can hold), more than 63 of the largest, 256-byte
// chunks in a row (the byte counters' limit), and long strings.  Fewer
// fills and tails than above: these are long.
TEST_P(Scan_mstrsize_mstrcount_mstrindex, ListsAcrossManyChunks)
{
    const std::vector<std::vector<size_t>> shapes = {
        std::vector<size_t>(9000, 1),
        {1, 9000, 1},
        std::vector<size_t>(700, 13),
    };
    for (char f : {'\x80', 'a'}) {
        for (const auto &lens : shapes) {
            std::string ms;
            for (size_t len : lens)
                ms += std::string(len, f) + '\0';
            ms += '\0';
            for (size_t behind : {0, 1, 2, 31, 97}) {
                check(ms + std::string(behind, behind % 2 ? '\x01' : '\0'));
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

// Random lists: mostly short strings, now and then a run of 64 to 300
// bytes without a NUL, so that chunk passes start and stop at every
// position and string boundaries fall where a pass ends; each list's final
// NUL 0 to 255 bytes before the page end.
TEST_P(Scan_mstrsize_mstrcount_mstrindex, RandomListsEndingAtEveryOffset)
{
    std::mt19937 rng(1);
    auto pick = [&rng](unsigned bound) { return static_cast<unsigned>(rng() % bound); };
    for (size_t behind = 0; behind < 256; ++behind) {
        for (int round = 0; round < 4; ++round) {
            std::string ms;
            for (unsigned strings = pick(200), i = 0; i < strings; ++i) {
                unsigned kind = pick(16);
                size_t len = kind == 0 ? 64 + pick(237) : kind < 3 ? 9 + pick(55) : 1 + pick(8);
                for (size_t k = 0; k < len; ++k)
                    ms += pick(4) == 0 ? kTricky[1 + pick(3)] : static_cast<char>('a' + pick(26));
                ms += '\0';
            }
            if (ms.empty() || pick(8) == 0)
                ms.insert(0, 1, '\0'); // an empty first string
            check(ms + '\0' + std::string(behind, behind % 3 ? '\x01' : '\0'));
            if (HasFatalFailure())
                return;
        }
    }
}

// Every pattern of NULs and other bytes in a 12-byte window, at the
// list's start and across the first block boundary (64), the boundaries
// where a 128- or 256-byte chunk's scan is entered from blocks (128, 256),
// the later ones (512, 1024, from chunk to chunk) and a block boundary
// inside a chunk (1088), the boundary after the window's
// 6th or 11th byte, the start at an alignment that moves with the
// pattern; the bytes before the start are NUL, the list goes on past the
// next chunk.  Each list is read in
// every way against the byte-at-a-time reading: pairs across blocks and
// chunks, the flag carried between them, and the n-th NUL in any block.
TEST_P(Scan_mstrsize_mstrcount_mstrindex, EveryNulPatternInAWindow)
{
    alignas(4096) static char buf[4096];
    const Scanner &s = GetParam();
    for (size_t cross : {0, 64, 128, 256, 512, 1024, 1088}) {
        for (size_t before : {6, 11}) {
            for (unsigned p = 0; p < 1u << 12; ++p) {
                const size_t w = cross == 0 ? p * 7 % 64 : cross - before, start = std::min<size_t>(w, p * 7 % 64);
                std::memset(buf, 0, start);
                std::memset(buf + start, 'a', w - start);
                for (size_t i = 0; i < 12; ++i)
                    buf[w + i] = p >> i & 1 ? '\0' : kTricky[1 + (w + i) % 3];
                // Past a chunk boundary, the final NUL lies past the next
                // one: a pair missed at the boundary is not found later in
                // the same chunk.
                const size_t after = cross >= 128 ? 600 : 0;
                std::memset(buf + w + 12, 'z', after + 1);
                std::memcpy(buf + w + 13 + after, "\0\0", 3);
                const char *ms = buf + start;
                Reading want = reference(ms);
                ASSERT_EQ(s.size(ms), want.size) << "window at " << w << ", pattern " << p << ", start " << start;
                ASSERT_EQ(s.count(ms), want.count) << "window at " << w << ", pattern " << p << ", start " << start;
                for (int n = 1; n <= want.count + 2; ++n)
                    ASSERT_EQ(s.index(ms, n), n <= want.count + 1 ? ms + want.starts[static_cast<size_t>(n - 1)] : nullptr)
                        << "window at " << w << ", pattern " << p << ", start " << start << ", n " << n;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Scanners, Scan_mstrsize_mstrcount_mstrindex, testing::ValuesIn(scanners()),
                         [](const testing::TestParamInfo<Scanner> &i) { return std::string(i.param.name); });

// A list too large to build: one-byte strings from address 64 on, whose
// 64-byte blocks the adapter makes up instead of reading, so that the
// skeleton's count runs past INT_MAX strings in a second or two.
struct huge_list_scan {
    using mask = std::uint64_t;
    static constexpr unsigned bytes = 64, unit = 1, chunk = 0;
    static inline std::size_t strings;

    static mask nuls(mstring_internal::address at)
    {
        const mstring_internal::address end = 64 + 2 * strings; // the final NUL
        const mask odd = 0xaaaaaaaaaaaaaaaa; // "x\0x\0..."
        return end - at >= 64 ? odd : (odd & ((mask{1} << (end - at)) - 1)) | mask{1} << (end - at);
    }
    static unsigned offset(mask m) { return static_cast<unsigned>(__builtin_ctzll(m)); }
    static unsigned count(mask m) { return static_cast<unsigned>(__builtin_popcountll(m)); }
};

TEST(Count_mstrcount, MinusOnePastIntMax)
{
    if constexpr (sizeof(std::size_t) < 8) {
        GTEST_SKIP() << "a 32-bit machine's lists hold fewer than INT_MAX strings";
    } else {
        const struct {
            std::size_t strings;
            int want;
        } cases[] = {{INT_MAX, INT_MAX}, {std::size_t{INT_MAX} + 1, -1}, {std::size_t{UINT_MAX} + 6, -1}};
        for (const auto &c : cases) {
            huge_list_scan::strings = c.strings;
            EXPECT_EQ(mstring_internal::scan::count_rest<huge_list_scan>(reinterpret_cast<const char *>(64)), c.want)
                << c.strings << " strings";
        }
    }
}

// Each string's length is found a word at a time too: mstrinit measures its
// string, and mkmstrv every string of its vector.
TEST(Length_mstrinit, StringsEndingAPageAtEveryAlignment)
{
    for (char f : {'\x01', '\x80', '\xff', 'a'}) {
        for (size_t len = 0; len <= 40; ++len) {
            std::string s(len, f);
            for (size_t i = 0; i < len; i += 3)
                s[i] = static_cast<char>(kTricky[1 + i % 3]);
            GuardedBytes g(s + '\0');
            char *block = mstrinit(g.data(), 0);
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(std::string(block, len + 2), s + "\0\0"s) << "len " << len;
            std::free(block);
        }
    }
}

TEST(Length_mkmstrv, BuildingFromStringsAtEveryAlignment)
{
    std::vector<std::unique_ptr<GuardedBytes>> pages;
    std::vector<char *> v;
    std::string want;
    for (size_t len = 1; len <= 20; ++len) {
        std::string s(len, static_cast<char>(kTricky[1 + len % 3]));
        pages.push_back(std::make_unique<GuardedBytes>(s + '\0'));
        v.push_back(pages.back()->data());
        want += s + '\0';
    }
    v.push_back(nullptr);
    want += '\0';
    char *ms = mkmstrv(v.data());
    ASSERT_NE(ms, nullptr);
    EXPECT_EQ(std::string(ms, want.size()), want);
    std::free(ms);
}

} // namespace
