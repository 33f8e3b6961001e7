// SPDX-License-Identifier: MIT
// Every function that reads a string or a multi-string, given input whose
// last byte ends a readable page in front of an inaccessible one.  The
// input is followed by 0 to 3 junk bytes first: a scan that reads whole
// aligned words may read the rest of the word holding the final NUL, and
// the guard page sits at the next word boundary.  Inputs that are only read
// are also made read-only, and outputs in place end at a guard page, with
// a fence of known bytes in front.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "capture.h"
#include "mstring.h"
#include "support.h"

using namespace std::string_literals;

namespace {

using Strings = std::vector<std::string>;

std::string bytes_of(const Strings &strings)
{
    std::string out;
    for (const std::string &s : strings)
        out += s + '\0';
    return out + '\0';
}

size_t offset_of(const Strings &strings, int n)
{
    size_t offset = 0;
    for (int i = 1; i < n; ++i)
        offset += strings[static_cast<size_t>(i - 1)].size() + 1;
    return offset;
}

const Strings kLists[] = {
    {""}, {"a"}, {"ab"}, {"abc"}, {"abcd"}, {"", "a"}, {"a", "b"}, {"", "bc", "def"},
    {"one", "two", "three"}, {"x", std::string(31, 'y')}, {"1", "22", "333", "4444", "55555", "666666", "7777777"},
    {"\xff\x80\x01", "\x7f"}, {std::string(4096, 'p'), "q"},
};

const std::string kJunk = "ZZZ"; // up to 3 bytes behind the final NUL

// A read-only copy of bytes followed by pad junk bytes, then the guard.
struct Input {
    GuardedBytes g;
    Input(const std::string &bytes, size_t pad) : g(bytes + kJunk.substr(0, pad)) { g.read_only(); }
    const char *data() const { return g.data(); }
};

class Bounds : public testing::TestWithParam<size_t> {}; // the pad

TEST_P(Bounds, Reading_mstrsize_mstrcount_mstrindex)
{
    for (const Strings &list : kLists) {
        Input in(bytes_of(list), GetParam());
        const char *ms = in.data();
        int count = static_cast<int>(list.size());
        EXPECT_EQ(mstrsize(ms), bytes_of(list).size());
        EXPECT_EQ(mstrcount(ms), count);
        for (int n = -2; n <= count + 3; ++n) {
            const char *want = n >= 1 && n <= count + 1 ? ms + offset_of(list, n) : nullptr;
            EXPECT_EQ(mstrindex(ms, n), want) << "n = " << n;
        }
    }
}

TEST_P(Bounds, Printing_putmss_putms)
{
    Capture capture;
    ASSERT_TRUE(capture.ok());
    for (const Strings &list : kLists) {
        Input in(bytes_of(list), GetParam());
        int count = static_cast<int>(list.size());
        for (int n = -2; n <= count + 3; ++n) {
            int r = 0;
            std::string text = capture([&] { return putmss(in.data(), n); }, &r);
            bool line = n >= 1 && n <= count + 1;
            std::string want = line ? (n <= count ? list[static_cast<size_t>(n - 1)] : "") + "\n" : "";
            EXPECT_EQ(text, want) << "n = " << n;
            EXPECT_TRUE(line ? r >= 0 : r == (n == 0 ? 0 : EOF)) << "n = " << n << ": " << r;
        }
        std::string all;
        for (const std::string &s : list)
            all += s + "\n";
        int r = 0;
        EXPECT_EQ(capture([&] { return putms(in.data()); }, &r), all);
        EXPECT_GE(r, 0);
    }
}

TEST_P(Bounds, CopyingAndDuplicating_mstrcpy_mstrdup)
{
    const std::string fence(16, 'F');
    for (const Strings &list : kLists) {
        const std::string bytes = bytes_of(list);
        Input in(bytes, GetParam());
        // The copy's last byte ends its page: a byte written too far faults.
        GuardedBytes out(fence + std::string(bytes.size(), 'X'));
        char *dst = out.data() + fence.size();
        EXPECT_EQ(mstrcpy(dst, in.data()), dst);
        EXPECT_EQ(std::string(dst, bytes.size()), bytes);
        EXPECT_EQ(std::string(out.data(), fence.size()), fence) << "wrote in front of dst";

        char *copy = mstrdup(in.data());
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(std::string(copy, bytes.size()), bytes);
        std::free(copy);
    }
}

TEST_P(Bounds, AddingInPlace_mstradd)
{
    const std::string fence(16, 'F');
    const std::string strings[] = {"", "s", "st", "str", "stri", std::string(33, 't')};
    for (const Strings &list : kLists) {
        const std::string bytes = bytes_of(list);
        for (const std::string &s : strings) {
            Input in(s + '\0', GetParam());
            // Exactly the room mstradd needs, then the guard page.
            GuardedBytes out(fence + bytes + std::string(s.size() + 1, 'X'));
            char *ms = out.data() + fence.size();
            EXPECT_EQ(mstradd(ms, in.data()), ms);
            Strings after = list;
            if (!s.empty())
                after.push_back(s);
            std::string want = bytes_of(after) + (s.empty() ? std::string(1, '\0') : "");
            EXPECT_EQ(std::string(ms, want.size()), want);
            EXPECT_EQ(std::string(out.data(), fence.size()), fence);
        }
        // Each of its own strings, the last one's bytes ending at the guard.
        int count = static_cast<int>(list.size());
        for (int n = 1; n <= count + 1; ++n) {
            std::string own = n <= count ? list[static_cast<size_t>(n - 1)] : "";
            GuardedBytes out(fence + bytes + std::string(own.size() + 1, 'X'));
            char *ms = out.data() + fence.size();
            EXPECT_EQ(mstradd(ms, ms + offset_of(list, n)), ms);
            Strings after = list;
            if (!own.empty())
                after.push_back(own);
            std::string want = bytes_of(after) + (own.empty() ? std::string(1, '\0') : "");
            EXPECT_EQ(std::string(ms, want.size()), want) << "n = " << n;
            EXPECT_EQ(std::string(out.data(), fence.size()), fence);
        }
    }
}

TEST_P(Bounds, StringsIntoNewBlocks_mstrinit_mstradd_r)
{
    const std::string strings[] = {"", "s", "st", "str", "stri", "strin", std::string(33, 't'), std::string(4099, 'u')};
    for (const std::string &s : strings) {
        Input in(s + '\0', GetParam());
        for (size_t size : {size_t{0}, size_t{2}, size_t{3}, s.size() + 1, s.size() + 2, s.size() + 9}) {
            if (size == 1)
                continue; // refused before s is read
            char *b = mstrinit(in.data(), size);
            ASSERT_NE(b, nullptr);
            size_t capacity = size == 0 ? s.size() + 2 : size;
            std::string want = s.substr(0, capacity - 2);
            want.resize(capacity, '\0');
            EXPECT_EQ(std::string(b, capacity), want) << s.size() << " " << size;
            std::free(b);
        }

        char *b = mstrinit("a", 0);
        ASSERT_NE(b, nullptr);
        ASSERT_NE(mstradd_r(&b, in.data()), nullptr);
        std::string want = "a\0"s + s + '\0' + '\0';
        EXPECT_EQ(std::string(b, want.size()), want);
        std::free(b);
    }
}

TEST_P(Bounds, Building_mkmstrl_mkmstrv)
{
    for (const Strings &list : kLists) {
        // Each string on its own guarded page, and the vector too: its
        // closing null element ends a page.
        std::vector<Input *> inputs;
        for (const std::string &s : list)
            inputs.push_back(new Input(s + '\0', GetParam()));
        std::string vector_bytes((list.size() + 1) * sizeof(char *), '\0');
        char **v = reinterpret_cast<char **>(&vector_bytes[0]);
        for (size_t i = 0; i < list.size(); ++i)
            v[i] = const_cast<char *>(inputs[i]->data());
        GuardedBytes vg(vector_bytes);
        vg.read_only();
        Strings kept{list[0]};
        for (size_t i = 1; i < list.size(); ++i)
            if (!list[i].empty())
                kept.push_back(list[i]);
        const std::string want = bytes_of(kept);

        char *b = mkmstrv(reinterpret_cast<char *const *>(vg.data()));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(std::string(b, want.size()), want);
        std::free(b);

        if (list.size() <= 7) {
            char *a[8] = {};
            for (size_t i = 0; i < list.size(); ++i)
                a[i] = v[i];
            b = mkmstrl(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], static_cast<char *>(nullptr));
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(std::string(b, want.size()), want);
            std::free(b);
        }
        for (Input *in : inputs)
            delete in;
    }
}

INSTANTIATE_TEST_SUITE_P(JunkBehindTheEnd, Bounds, testing::Values(0, 1, 2, 3));

} // namespace
