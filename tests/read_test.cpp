// SPDX-License-Identifier: MIT
// Size, count and index of multi-strings, read where a byte too far faults.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mstring.h"
#include "support.h"

using namespace std::string_literals;

namespace {

struct Layout {
    std::string bytes;       // the multi-string, plus anything behind it
    size_t size;
    int count;
    std::vector<int> starts; // mstrindex offsets for n = 1 .. count + 1
};

const Layout kLayouts[] = {
    {"\0\0"s, 2, 1, {0, 1}},
    {"a\0\0"s, 3, 1, {0, 2}},
    {"a\0b\0\0"s, 5, 2, {0, 2, 4}},
    {"\0a\0\0"s, 4, 2, {0, 1, 3}},
    {"ab\0\0\0"s, 4, 1, {0, 3}},
    {"ab\0\0A"s, 4, 1, {0, 3}},
    {"\0\0xyz\0\0"s, 2, 1, {0, 1}},
    {"one\0two\0three\0\0"s, 15, 3, {0, 4, 8, 14}},
    {"\0bc\0d\0\0"s, 7, 3, {0, 1, 4, 6}},
    {"\xff\x80\x01\0\x7f\0\0"s, 7, 2, {0, 4, 6}},
};

// GoogleTest would print a Layout's raw bytes, uninitialised ones included.
void PrintTo(const Layout &l, std::ostream *os)
{
    *os << testing::PrintToString(l.bytes);
}

class Read_mstrsize_mstrcount_mstrindex : public testing::TestWithParam<Layout> {};

TEST_P(Read_mstrsize_mstrcount_mstrindex, SizeCountAndEveryIndex)
{
    const Layout &l = GetParam();
    GuardedBytes g(l.bytes);
    const char *ms = g.data();
    EXPECT_EQ(mstrsize(ms), l.size);
    EXPECT_EQ(mstrcount(ms), l.count);
    ASSERT_EQ(l.starts.size(), static_cast<size_t>(l.count) + 1);
    for (int n = 1; n <= l.count + 1; ++n)
        EXPECT_EQ(mstrindex(ms, n), ms + l.starts[n - 1]) << "n = " << n;
}

TEST_P(Read_mstrsize_mstrcount_mstrindex, IndexOutsideTheListIsNull)
{
    const Layout &l = GetParam();
    // Only the multi-string itself is readable: a scan past its final NUL
    // would fault on the guard page.
    GuardedBytes g(l.bytes.substr(0, l.size));
    const char *ms = g.data();
    for (int n : {l.count + 2, l.count + 3, l.count + 100, 0x7fffffff})
        EXPECT_EQ(mstrindex(ms, n), nullptr) << "n = " << n;
    EXPECT_EQ(mstrsize(ms), l.size);
    EXPECT_EQ(mstrcount(ms), l.count);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Read_mstrsize_mstrcount_mstrindex, testing::ValuesIn(kLayouts));

TEST(Read_mstrindex, IndexOneOrLessReadsNothing)
{
    // n = 1 is ms itself, and an n below 1 is NULL, without touching
    // memory: ms is no list, and reading it faults.
    const char *ms = reinterpret_cast<const char *>(16);
    const struct {
        int n;
        const char *want;
    } cases[] = {{1, ms}, {0, nullptr}, {-1, nullptr}, {-2, nullptr}, {-1000, nullptr}, {-2147483647 - 1, nullptr}};
    for (const auto &c : cases)
        EXPECT_EQ(mstrindex(ms, c.n), c.want) << "n = " << c.n;
}

TEST(Read_mstrindex, EmptyFirstStringNeverLooksBeforeTheStart)
{
    // A NUL just before ms must not make its empty first string look like
    // the end of a list.
    std::string bytes = "\0\0a\0\0"s;
    const char *ms = bytes.data() + 1;
    EXPECT_EQ(mstrindex(ms, 2), ms + 1);
    EXPECT_EQ(mstrindex(ms, 3), ms + 3);
    EXPECT_EQ(mstrindex(ms, 4), nullptr);
}

TEST(Read_mstrsize_mstrcount_mstrindex, LongList)
{
    std::string bytes;
    std::vector<size_t> starts;
    for (int i = 0; i < 1000; ++i) {
        starts.push_back(bytes.size());
        bytes += std::string(static_cast<size_t>(i % 37) + 1, static_cast<char>('a' + i % 26));
        bytes += '\0';
    }
    starts.push_back(bytes.size());
    bytes += '\0';
    GuardedBytes g(bytes);
    EXPECT_EQ(mstrsize(g.data()), bytes.size());
    EXPECT_EQ(mstrcount(g.data()), 1000);
    for (int n = 1; n <= 1001; ++n)
        ASSERT_EQ(mstrindex(g.data(), n), g.data() + starts[static_cast<size_t>(n - 1)]);
    EXPECT_EQ(mstrindex(g.data(), 1002), nullptr);
}

} // namespace
