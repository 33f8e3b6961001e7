// SPDX-License-Identifier: MIT
// The library's internal size arithmetic, built from its sources into this
// program, with sizes near SIZE_MAX that no real block could have.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "blocks.h"
#include "heap.h"
#include "mstring.h"

using namespace std::string_literals;

namespace {

TEST(SizeWith_mstrinit_mstradd_r_mkmstrl_mkmstrv, SumOrZeroOnOverflow)
{
    const struct {
        size_t size, len, want;
    } cases[] = {
        {1, 0, 2},
        {2, 3, 6},
        {SIZE_MAX - 1, 0, SIZE_MAX},
        {SIZE_MAX - 1, 1, 0},
        {1, SIZE_MAX - 2, SIZE_MAX},
        {1, SIZE_MAX - 1, 0},
        {SIZE_MAX, 0, 0},
        {SIZE_MAX, SIZE_MAX, 0},
        {SIZE_MAX / 2, SIZE_MAX / 2, SIZE_MAX},
        {SIZE_MAX / 2 + 1, SIZE_MAX / 2, 0},
        {SIZE_MAX / 2 + 1, SIZE_MAX / 2 + 1, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(mstring_internal::size_with(c.size, c.len), c.want) << c.size << " + " << c.len << " + 1";
}

// grow() is handed a size and a length that only a block of 2 GiB or more
// could have; the heap refuses every request, so a wrapped size shows as
// a request instead of a write out of bounds.
TEST(Grow_mstradd_r_mkmstrl_mkmstrv, SizeSumPastSizeMaxIsRefusedWithoutAsking)
{
    const struct {
        size_t size, len;
        bool asks; // the sum fits, so realloc is asked for SIZE_MAX
    } cases[] = {
        {SIZE_MAX - 2, 1, true},
        {SIZE_MAX - 1, 1, false},
        {SIZE_MAX - 4, 9, false},
        {SIZE_MAX / 2 + 1, SIZE_MAX / 2, false},
        {SIZE_MAX / 2 + 2, SIZE_MAX / 2 - 1, false},
        {SIZE_MAX / 2, SIZE_MAX / 2, true},
    };
    for (const auto &c : cases) {
        char *block = mstrinit("abc", 0);
        ASSERT_NE(block, nullptr);
        heap::Recording rec(1);
        EXPECT_EQ(mstring_internal::grow(block, c.size, block, c.len), nullptr);
        std::vector<heap::Call> calls = rec.calls();
        ASSERT_EQ(calls.size(), c.asks ? 1u : 0u) << c.size << " + " << c.len << " + 1";
        if (c.asks) {
            EXPECT_EQ(calls[0].size, SIZE_MAX);
        }
        EXPECT_EQ(std::string(block, 5), "abc\0\0"s);
        std::free(block);
    }
}

} // namespace
