// SPDX-License-Identifier: MIT
// Allocation fault sweep: every allocating call with its 1st, then its
// 2nd, ... heap request refused, until it succeeds.  A refused call returns
// null, stops at the refusal, leaves the caller's variable and data as
// they were and no block behind; the call that succeeds is byte-exact.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "heap.h"
#include "mstring.h"

using namespace std::string_literals;

namespace {

struct Tally {
    const char *name;
    int calls = 0;
    int refusals = 0;
    explicit Tally(const char *n) : name(n) {}
    ~Tally() { std::printf("fault sweep, %s: %d refusals over %d calls\n", name, refusals, calls); }
};

// Runs call with request k refused for k = 1, 2, ...  After each refusal
// unchanged() checks the caller's data; the first call that gets all its
// requests must succeed, leave `blocks` new blocks and pass done(result).
void sweep(Tally &tally, const std::string &what, bool moving, long blocks, const std::function<char *()> &call,
           const std::function<void()> &unchanged, const std::function<void(char *)> &done)
{
    ++tally.calls;
    for (int k = 1;; ++k) {
        ASSERT_LE(k, 32) << what << ": never succeeded";
        heap::Recording rec(k, moving);
        char *r = call();
        int requests = rec.requests();
        long live = rec.live();
        if (requests < k) {
            ASSERT_NE(r, nullptr) << what << ": null with every request granted";
            EXPECT_EQ(live, blocks) << what;
            done(r);
            return;
        }
        ++tally.refusals;
        EXPECT_EQ(r, nullptr) << what << ", request " << k << " refused";
        EXPECT_EQ(requests, k) << what << ": went on asking after refusal " << k;
        EXPECT_EQ(live, 0) << what << ": leak after refusal " << k;
        unchanged();
        std::free(r);
    }
}

std::string bytes_of(const std::vector<std::string> &strings)
{
    std::string out;
    for (const std::string &s : strings)
        out += s + '\0';
    return out + '\0';
}

TEST(FaultSweep, mstrinit)
{
    Tally tally("mstrinit");
    const std::string strings[] = {"", "a", "abc", std::string(100, 'q')};
    for (const std::string &s : strings) {
        for (size_t size : {size_t{0}, size_t{2}, size_t{3}, s.size() + 2, s.size() + 64}) {
            size_t capacity = size == 0 ? s.size() + 2 : size;
            std::string want = s.substr(0, capacity - 2);
            want.resize(capacity, '\0');
            std::string what = "mstrinit(\"" + s.substr(0, 8) + "\", " + std::to_string(size) + ")";
            sweep(
                tally, what, false, 1, [&] { return mstrinit(s.c_str(), size); }, [] {},
                [&](char *b) {
                    EXPECT_EQ(std::string(b, capacity), want) << what;
                    std::free(b);
                });
        }
    }
}

TEST(FaultSweep, mstrdup)
{
    Tally tally("mstrdup");
    const struct {
        std::string list; // and bytes behind it
        size_t size;
    } cases[] = {{"\0\0"s, 2}, {"a\0\0"s, 3}, {"\0a\0\0"s, 4}, {"one\0two\0three\0\0room"s, 15}};
    for (const auto &c : cases) {
        const std::string &list = c.list;
        const std::string copy = list;
        const size_t size = c.size;
        sweep(
            tally, "mstrdup", false, 1, [&] { return mstrdup(list.data()); }, [&] { EXPECT_EQ(list, copy); },
            [&](char *b) {
                EXPECT_EQ(std::string(b, size), list.substr(0, size));
                std::free(b);
            });
    }
}

TEST(FaultSweep, mstradd_r)
{
    Tally tally("mstradd_r");
    struct Case {
        std::vector<std::string> strings;
        size_t room;
        int own; // append string `own` of the list itself; 0: the string s
        std::string s;
    } cases[] = {
        {{"a"}, 0, 0, "bc"}, {{"a"}, 0, 0, ""}, {{""}, 0, 0, "x"}, {{"a", "bb"}, 30, 0, "ccc"},
        {{"", "bc", "def"}, 0, 1, ""}, {{"", "bc", "def"}, 0, 2, ""}, {{"", "bc", "def"}, 0, 3, ""},
        {{"", "bc", "def"}, 0, 4, ""}, {{"x", std::string(200, 'y')}, 5, 2, ""},
    };
    for (bool moving : {false, true}) {
        for (const Case &c : cases) {
            const std::string before = bytes_of(c.strings);
            char *b = static_cast<char *>(std::malloc(before.size() + c.room));
            before.copy(b, before.size());
            char *const old = b;
            const char *s = c.own != 0 ? mstrindex(b, c.own) : c.s.c_str();
            std::string added = s;
            std::vector<std::string> after = c.strings;
            if (!added.empty())
                after.push_back(added);
            std::string want = bytes_of(after);
            if (added.empty())
                want += '\0'; // the block grows by one byte all the same
            std::string what = "mstradd_r of " + (c.own != 0 ? "own string " + std::to_string(c.own) : "\"" + c.s + "\"");
            sweep(
                tally, what, moving, 0, [&] { return mstradd_r(&b, s); },
                [&] {
                    EXPECT_EQ(b, old) << what << ": the caller's pointer changed";
                    EXPECT_EQ(std::string(b, before.size()), before) << what << ": the block changed";
                },
                [&](char *r) {
                    EXPECT_EQ(r, b) << what;
                    EXPECT_EQ(std::string(b, want.size()), want) << what;
                });
            std::free(b);
        }
    }
}

TEST(FaultSweep, mkmstrl_mkmstrv)
{
    Tally tally("mkmstrl and mkmstrv");
    const std::vector<std::vector<std::string>> lists = {
        {"a"}, {""}, {"a", "b"}, {"", "a"}, {"a", "", "b"},
        {"one", "two", "three", "four"}, {"x", "", "", "y", ""},
        {"1", "22", "333", "4444", "55555", "666666", "7777777", "88888888"},
    };
    for (bool vector : {false, true}) {
        for (const std::vector<std::string> &list : lists) {
            std::vector<std::string> strings = list;
            const std::vector<std::string> copy = list;
            char *args[10] = {};
            for (size_t i = 0; i < strings.size(); ++i)
                args[i] = &strings[i][0];
            std::vector<std::string> kept{list[0]};
            for (size_t i = 1; i < list.size(); ++i)
                if (!list[i].empty())
                    kept.push_back(list[i]);
            std::string want = bytes_of(kept);
            std::string what = std::string(vector ? "mkmstrv" : "mkmstrl") + " of " + std::to_string(list.size());
            sweep(
                tally, what, false, 1,
                [&] {
                    return vector ? mkmstrv(args)
                                  : mkmstrl(args[0], args[1], args[2], args[3], args[4], args[5], args[6], args[7],
                                            args[8], static_cast<char *>(nullptr));
                },
                [&] {
                    EXPECT_EQ(strings, copy) << what;
                    for (size_t i = 0; i < strings.size(); ++i)
                        EXPECT_EQ(args[i], &strings[i][0]) << what;
                },
                [&](char *b) {
                    EXPECT_EQ(std::string(b, want.size()), want) << what;
                    std::free(b);
                });
        }
    }
}

// Sizes no 32-bit heap can grant: the request is passed on as it is, not
// wrapped or cut, and its refusal leaves nothing behind.
TEST(HugeSizes_mstrinit, PassesThemOnAndFails)
{
    for (size_t size : {SIZE_MAX, SIZE_MAX - 1, SIZE_MAX - 65536}) {
        heap::Recording rec;
        EXPECT_EQ(mstrinit("abc", size), nullptr);
        std::vector<heap::Call> calls = rec.calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].size, size);
        EXPECT_EQ(rec.live(), 0);
    }
}

} // namespace
