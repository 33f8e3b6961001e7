// SPDX-License-Identifier: MIT
// Growing appends: results and heap requests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "heap.h"
#include "mstring.h"

using namespace std::string_literals;

namespace {

using Sizes = std::vector<size_t>;

char *heap_copy(const std::string &bytes, size_t room = 0)
{
    char *block = static_cast<char *>(std::malloc(bytes.size() + room));
    bytes.copy(block, bytes.size());
    return block;
}

struct Grow {
    std::string before;
    size_t room; // spare bytes in the block behind the multi-string
    const char *s;
    std::string after; // the whole block afterwards
};

const Grow kGrows[] = {
    {"a\0\0"s, 0, "bc", "a\0bc\0\0"s},
    {"a\0\0"s, 0, "", "a\0\0\0"s},
    {"\0\0"s, 0, "", "\0\0\0"s},
    {"\0\0"s, 0, "x", "\0x\0\0"s},
    {"a\0\0"s, 61, "b", "a\0b\0\0"s},
    {"x\0yz\0\0"s, 3, "", "x\0yz\0\0\0"s},
};

TEST(mstradd_r, ReallocsToExactSize)
{
    for (bool moving : {false, true}) {
        for (const Grow &c : kGrows) {
            char *b = heap_copy(c.before, c.room);
            heap::Recording rec(0, moving);
            char *r = mstradd_r(&b, c.s);
            Sizes got = heap::request_sizes(rec);
            EXPECT_EQ(r, b);
            EXPECT_EQ(got, Sizes{c.after.size()});
            EXPECT_EQ(rec.calls()[0].kind, 'r');
            EXPECT_EQ(std::string(b, c.after.size()), c.after);
            EXPECT_EQ(rec.live(), 0);
            std::free(b);
        }
    }
}

TEST(mstradd_r, RefusedReallocChangesNothing)
{
    char *b = heap_copy("a\0bc\0\0"s, 2);
    char *const old = b;
    heap::Recording rec(1);
    EXPECT_EQ(mstradd_r(&b, "zz"), nullptr);
    EXPECT_EQ(b, old);
    EXPECT_EQ(std::string(b, 6), "a\0bc\0\0"s);
    EXPECT_EQ(rec.live(), 0);
    std::free(b);
}

TEST(mstradd_r, OwnStringWhileTheBlockMoves)
{
    const std::string list = "\0bc\0def\0\0"s;
    for (int n = 1; n <= 4; ++n) {
        char *b = heap_copy(list);
        std::string own = mstrindex(b, n);
        heap::Recording rec(0, true);
        ASSERT_NE(mstradd_r(&b, mstrindex(b, n)), nullptr);
        ASSERT_NE(rec.calls()[0].result, rec.calls()[0].ptr) << "the block did not move";
        std::string want = "\0bc\0def\0"s + own + "\0\0"s;
        EXPECT_EQ(std::string(b, want.size()), want) << "n = " << n;
        std::free(b);
    }
}

TEST(mstradd_r, BuildsAListOneByOne)
{
    char *b = mstrinit("a", 0);
    ASSERT_NE(b, nullptr);
    heap::Recording rec;
    for (const char *s : {"bb", "", "ccc", ""})
        ASSERT_EQ(mstradd_r(&b, s), b);
    Sizes got = heap::request_sizes(rec);
    EXPECT_EQ(got, (Sizes{6, 7, 10, 11}));
    EXPECT_EQ(std::string(b, 11), "a\0bb\0ccc\0\0\0"s);
    std::free(b);
}

} // namespace
