// SPDX-License-Identifier: MIT
// mstring.hpp: the view as a range over real layouts, and the owning list
// through its heap requests and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "../heap.h"
#include "../support.h"
#include "mstring.hpp"

using namespace std::string_literals;

namespace {

using Strings = std::vector<std::string>;

struct Layout {
    std::string bytes; // exactly the multi-string: a read past it faults
    Strings strings;
};

const Layout kLayouts[] = {
    {"\0\0"s, {""}},
    {"a\0\0"s, {"a"}},
    {"a\0b\0\0"s, {"a", "b"}},
    {"\0a\0\0"s, {"", "a"}},
    {"one\0two\0three\0\0"s, {"one", "two", "three"}},
    {"\xff\x01 \t\n\0x\0\0"s, {"\xff\x01 \t\n", "x"}},
};

TEST(View, YieldsEveryStringInPlaceAndStopsAtTheFinalNul)
{
    for (const Layout &c : kLayouts) {
        GuardedBytes ms(c.bytes);
        mstring::view v(ms.data());
        Strings got;
        int n = 1;
        for (std::string_view s : v) {
            got.emplace_back(s);
            // A view into the block itself, where mstrindex finds it.
            EXPECT_EQ(s.data(), mstrindex(ms.data(), n)) << "string " << n;
            ++n;
        }
        EXPECT_EQ(got, c.strings);
        EXPECT_EQ(std::distance(v.begin(), v.end()), mstrcount(ms.data()));
        EXPECT_EQ(v.count(), static_cast<int>(c.strings.size()));
        EXPECT_EQ(v.bytes(), c.bytes.size());
        EXPECT_FALSE(v.empty());
    }
}

TEST(View, BytesBehindTheFinalNulAreNotStrings)
{
    for (const std::string &bytes : {"ab\0\0\0"s, "ab\0\0A\0\0"s}) {
        mstring::view v(bytes.data());
        EXPECT_EQ(Strings(v.begin(), v.end()), Strings{"ab"});
    }
}

TEST(View, OfNullIsEmpty)
{
    for (mstring::view v : {mstring::view(), mstring::view(nullptr)}) {
        EXPECT_TRUE(v.empty());
        EXPECT_EQ(v.begin(), v.end());
        EXPECT_EQ(v.count(), 0);
        EXPECT_EQ(v.bytes(), 0u);
    }
}

TEST(View, IsMultiPass)
{
    const std::string bytes = "x\0yy\0zzz\0\0"s;
    mstring::view v(bytes.data());
    auto a = v.begin();
    auto b = a++; // b keeps the first string, a moved on
    EXPECT_EQ(*b, "x");
    EXPECT_EQ(*a, "yy");
    EXPECT_EQ(a->size(), 2u);
    EXPECT_EQ(*++b, "yy");
    EXPECT_EQ(a, b);
    EXPECT_NE(a, v.begin());
    // Algorithms that walk the range twice see the same strings.
    auto longest = std::max_element(v.begin(), v.end(),
        [](std::string_view l, std::string_view r) { return l.size() < r.size(); });
    EXPECT_EQ(*longest, "zzz");
    EXPECT_EQ(std::find(v.begin(), v.end(), "yy"), a);
    EXPECT_EQ(std::find(v.begin(), v.end(), "w"), v.end());
}

// The multi-string a list should hold after pushing words, by the rules of
// the format: an empty word behind another leaves no trace.
std::string expected_bytes(const std::vector<const char *> &words)
{
    std::string out;
    for (const char *w : words)
        if (out.empty() || *w != '\0')
            out.append(w).push_back('\0');
    return out.empty() ? out : out + '\0';
}

const std::vector<const char *> kWords[] = {
    {"alpha", "", "beta", "gamma"},
    {"", "a", "", "bc"},
    {""},
    {"only"},
};

TEST(List, GrowsByExactRequestsThroughTheLibrary)
{
    for (const auto &words : kWords) {
        mstring::list list;
        EXPECT_FALSE(list);
        EXPECT_EQ(list.begin(), list.end());
        heap::Recording rec;
        for (const char *w : words)
            EXPECT_TRUE(list.push_back(w));
        std::vector<heap::Call> calls = rec.calls();
        // mstrinit's exact malloc, then one exact realloc per further word.
        std::vector<heap::Call> want;
        std::size_t size = std::strlen(words[0]) + 2;
        want.push_back({'m', nullptr, size, nullptr});
        for (std::size_t i = 1; i < words.size(); ++i) {
            std::size_t len = std::strlen(words[i]);
            want.push_back({'r', nullptr, size + len + 1, nullptr});
            if (len != 0)
                size += len + 1;
        }
        EXPECT_EQ(calls, want);

        std::string want_bytes = expected_bytes(words);
        ASSERT_TRUE(list);
        EXPECT_EQ(list.bytes(), want_bytes.size());
        EXPECT_EQ(std::string(list.get(), want_bytes.size()), want_bytes);
        Strings strings(list.begin(), list.end());
        EXPECT_EQ(static_cast<int>(strings.size()), list.count());
    }
}

TEST(List, RefusedAllocationKeepsTheListAndLosesNothing)
{
    const std::vector<const char *> words = {"alpha", "", "beta", "gamma"};
    const int n = static_cast<int>(words.size());
    for (bool moving : {false, true}) {
        for (int refuse = 1; refuse <= n; ++refuse) {
            // Everything the test needs is prepared before recording, so
            // that only the list's requests are counted.
            std::vector<const char *> kept;
            for (int i = 0; i < n; ++i)
                if (i + 1 != refuse)
                    kept.push_back(words[i]);
            const std::string want = expected_bytes(kept);
            bool ok[8];
            bool unchanged[8];
            bool contents_ok;
            long live;
            {
                heap::Recording rec(refuse, moving);
                {
                    mstring::list list;
                    for (int i = 0; i < n; ++i) {
                        const char *before = list.get();
                        std::size_t size = list.bytes();
                        ok[i] = list.push_back(words[i]);
                        // A refusal leaves the same block with the same bytes.
                        unchanged[i] = list.get() == before &&
                                       (before == nullptr || list.bytes() == size);
                    }
                    contents_ok = list.bytes() == want.size() &&
                                  std::memcmp(list.get(), want.data(), want.size()) == 0;
                }
                live = rec.live(); // after the list released its block
            }
            for (int i = 0; i < n; ++i) {
                EXPECT_EQ(ok[i], i + 1 != refuse) << "push " << i + 1 << ", refused " << refuse;
                if (!ok[i]) {
                    EXPECT_TRUE(unchanged[i]) << "refused push " << i + 1;
                }
            }
            EXPECT_TRUE(contents_ok) << "refused " << refuse << (moving ? ", moving" : "");
            EXPECT_EQ(live, 0) << "refused " << refuse;
        }
    }
}

TEST(List, AdoptsAndReleasesLibraryBlocks)
{
    char *argv[] = {const_cast<char *>("x"), const_cast<char *>("yz"), nullptr};
    mstring::list list(mkmstrv(argv));
    ASSERT_TRUE(list);
    EXPECT_TRUE(list.push_back("w"s));
    EXPECT_EQ(Strings(list.begin(), list.end()), (Strings{"x", "yz", "w"}));
    char *block = list.release();
    EXPECT_FALSE(list);
    EXPECT_EQ(std::string(block, mstrsize(block)), "x\0yz\0w\0\0"s);
    std::free(block);
    EXPECT_FALSE(mstring::list(nullptr));
}

} // namespace
