// SPDX-License-Identifier: MIT
// Creating, appending in place, copying and duplicating.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "heap.h"
#include "mstring.h"
#include "support.h"

using namespace std::string_literals;

namespace {

struct Init {
    const char *s;
    size_t size;
    std::string block; // every byte of the new block
};

const Init kInits[] = {
    {"abc", 0, "abc\0\0"s},
    {"abc", 8, "abc\0\0\0\0\0"s},
    {"abc", 5, "abc\0\0"s},
    {"abc", 4, "ab\0\0"s},
    {"abcdef", 4, "ab\0\0"s},
    {"abcdef", 2, "\0\0"s},
    {"", 0, "\0\0"s},
    {"", 2, "\0\0"s},
    {"", 6, "\0\0\0\0\0\0"s},
    {"x", 3, "x\0\0"s},
};

TEST(mstrinit, BlocksByteForByte)
{
    for (const Init &c : kInits) {
        heap::Recording rec;
        char *block = mstrinit(c.s, c.size);
        ASSERT_NE(block, nullptr);
        ASSERT_EQ(rec.calls().size(), 1u);
        EXPECT_EQ(rec.calls()[0].kind, 'm');
        EXPECT_EQ(rec.calls()[0].size, c.block.size()) << c.s << " " << c.size;
        EXPECT_EQ(std::string(block, c.block.size()), c.block) << c.s << " " << c.size;
        std::free(block);
    }
}

TEST(mstrinit, FailuresAllocateNothing)
{
    {
        heap::Recording rec;
        EXPECT_EQ(mstrinit("abc", 1), nullptr);
        EXPECT_EQ(rec.requests(), 0);
    }
    for (size_t size : {0, 2, 64}) {
        heap::Recording rec(1);
        EXPECT_EQ(mstrinit("abc", size), nullptr);
        EXPECT_EQ(rec.live(), 0);
    }
}

struct Add {
    std::string before; // the multi-string
    const char *s;
    std::string after;  // the bytes written from offset 0 on
};

const Add kAdds[] = {
    {"a\0\0"s, "bc", "a\0bc\0\0"s},
    {"a\0\0"s, "", "a\0\0\0"s},
    {"\0\0"s, "x", "\0x\0\0"s},
    {"\0\0"s, "", "\0\0\0"s},
    {"abc\0\0"s, "d", "abc\0d\0\0"s},
    {"a\0b\0\0"s, "\xff\x01", "a\0b\0\xff\x01\0\0"s},
};

TEST(mstradd, InPlace)
{
    for (const Add &c : kAdds) {
        std::string room = c.before + std::string(16, 'Z');
        EXPECT_EQ(mstradd(&room[0], c.s), room.data());
        EXPECT_EQ(room.substr(0, c.after.size()), c.after);
        EXPECT_EQ(room.substr(c.after.size()), std::string(16 + c.before.size() - c.after.size(), 'Z'))
            << "wrote past the new final NUL";
    }
}

TEST(mstrinit_mstradd_mstrsize_mstrcount, IntoRoomFromInit)
{
    char *block = mstrinit("abc", 8);
    ASSERT_NE(block, nullptr);
    mstradd(block, "d");
    EXPECT_EQ(std::string(block, 8), "abc\0d\0\0\0"s);
    EXPECT_EQ(mstrsize(block), 7u);
    EXPECT_EQ(mstrcount(block), 2);
    std::free(block);
}

TEST(mstradd, OwnStrings)
{
    // Every string of the list, and the empty string at its final NUL.
    for (int n = 1; n <= 4; ++n) {
        std::string buf = "\0bc\0d\0\0"s + std::string(8, 'Z');
        char *ms = &buf[0];
        std::string own = mstrindex(ms, n);
        mstradd(ms, mstrindex(ms, n));
        std::string want = "\0bc\0d\0"s + own + (own.empty() ? "\0"s : "\0\0"s);
        EXPECT_EQ(buf.substr(0, want.size()), want) << "n = " << n;
    }
}

TEST(mstrcpy, ExactBytesAndNothingBehind)
{
    std::string src = "one\0\0two\0\0"s;
    std::string dst(12, 'X');
    EXPECT_EQ(mstrcpy(&dst[0], src.data()), dst.data());
    EXPECT_EQ(dst, "one\0\0XXXXXXX"s);

    GuardedBytes g("\0a\0\0"s);
    char out[4];
    mstrcpy(out, g.data());
    EXPECT_EQ(std::string(out, 4), "\0a\0\0"s);
}

TEST(mstrdup, ExactSizeDroppingRoom)
{
    char *block = mstrinit("a", 64);
    ASSERT_NE(block, nullptr);
    mstradd(block, "bc");
    heap::Recording rec;
    char *copy = mstrdup(block);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(rec.calls().size(), 1u);
    EXPECT_EQ(rec.calls()[0].size, 6u);
    EXPECT_EQ(std::string(copy, 6), "a\0bc\0\0"s);
    std::free(copy);
    std::free(block);
}

TEST(mstrdup, RefusedMalloc)
{
    heap::Recording rec(1);
    EXPECT_EQ(mstrdup("a\0\0"), nullptr);
    EXPECT_EQ(rec.live(), 0);
}

} // namespace
