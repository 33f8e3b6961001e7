// SPDX-License-Identifier: MIT
// Building from a list of strings, mkmstrl and mkmstrv: results and heap
// requests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "heap.h"
#include "mstring.h"

using namespace std::string_literals;

namespace {

using Sizes = std::vector<size_t>;

struct Build {
    std::vector<const char *> strings; // without the closing null
    std::string result;                // the whole block
    Sizes requests;                    // malloc, then each realloc
};

const Build kBuilds[] = {
    {{"a"}, "a\0\0"s, {3}},
    {{""}, "\0\0"s, {2}},
    {{"a", "b"}, "a\0b\0\0"s, {3, 5}},
    {{"a", "", "b"}, "a\0b\0\0"s, {3, 4, 5}},
    {{"", "a"}, "\0a\0\0"s, {2, 4}},
    {{"", ""}, "\0\0\0"s, {2, 3}},
    {{"ab", "c", ""}, "ab\0c\0\0\0"s, {4, 6, 7}},
    {{"one", "two", "three", "four"}, "one\0two\0three\0four\0\0"s, {5, 9, 15, 20}},
};

// The builders take the strings, null-terminated, in a fixed array so that
// nothing but the library allocates while the heap is recorded.
using Args = char *[6];

void fill(Args &a, const std::vector<const char *> &v)
{
    ASSERT_LT(v.size(), 6u);
    for (size_t i = 0; i < 6; ++i)
        a[i] = const_cast<char *>(i < v.size() ? v[i] : nullptr);
}

char *build_l(const Args &a)
{
    return mkmstrl(a[0], a[1], a[2], a[3], a[4], a[5], static_cast<char *>(nullptr));
}

char *build_v(const Args &a)
{
    return mkmstrv(a);
}

TEST(mkmstrl_mkmstrv, ListsAndHeapRequests)
{
    for (auto *make : {build_l, build_v}) {
        for (const Build &c : kBuilds) {
            Args a;
            fill(a, c.strings);
            heap::Recording rec;
            char *b = make(a);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(heap::request_sizes(rec), c.requests) << c.strings.size();
            EXPECT_EQ(std::string(b, c.result.size()), c.result);
            EXPECT_EQ(rec.live(), 1);
            std::free(b);
        }
    }
}

TEST(mkmstrl_mkmstrv, EveryRefusedAllocationLeavesNothing)
{
    for (auto *make : {build_l, build_v}) {
        for (const Build &c : kBuilds) {
            Args a;
            fill(a, c.strings);
            for (int k = 1; k <= static_cast<int>(c.requests.size()); ++k) {
                heap::Recording rec(k);
                EXPECT_EQ(make(a), nullptr) << "refused request " << k;
                EXPECT_EQ(rec.live(), 0) << "leak after refused request " << k;
            }
        }
    }
}

TEST(mkmstrl_mkmstrv, EmptyOrNullListsAllocateNothing)
{
    char *empty[] = {nullptr};
    heap::Recording rec;
    EXPECT_EQ(mkmstrv(empty), nullptr);
    EXPECT_EQ(mkmstrv(nullptr), nullptr);
    EXPECT_EQ(mkmstrl(nullptr, "a", static_cast<char *>(nullptr)), nullptr);
    EXPECT_EQ(rec.requests(), 0);
}

} // namespace
