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
#include "../model.h"
#include "../support.h"
#include "hpp_use.cpp" // mstring.hpp, and made, a range that makes its strings

using namespace std::string_literals;
using namespace std::string_view_literals;

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

TEST(View_mstrsize_mstrcount_mstrindex, YieldsEveryStringInPlaceAndStopsAtTheFinalNul)
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
        // split finds the strings in their bytes without the final NUL, or
        // without the last NUL too, or with ':' for NUL, and reads no more.
        std::string cut = c.bytes.substr(0, c.bytes.size() - 1), colons = cut;
        std::replace(colons.begin(), colons.end(), '\0', ':');
        GuardedBytes bare(cut.substr(0, cut.size() - 1)), with_nul(cut), with_colon(colons);
        EXPECT_TRUE(mstring::list::split({with_nul.data(), cut.size()}) == v);
        EXPECT_TRUE(mstring::list::split({with_colon.data(), cut.size()}, ':') == v);
        EXPECT_TRUE(mstring::list::split({bare.data(), cut.size() - 1}) == v || cut.size() == 1);
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
    const std::string_view &first = *a; // a value: it outlives a's steps
    auto b = a++; // b keeps the first string, a moved on
    EXPECT_EQ(first, "x");
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
    {"", "back", "to", "back"},
    // Several growth steps, empty words among them.
    {"one", "two", "", "three", "four", "five", "", "six", "seven", "eight", "nine", "ten",
     "eleven", "twelve", "thirteen", "fourteen", "fifteen", "sixteen", "seventeen", "eighteen"},
};

// Pushes every word; after each push the list holds exactly the bytes of
// the words so far.  An empty word behind another asks the heap for
// nothing, the block grows in logarithmically many requests, and release()
// cuts it to the exact size with at most one realloc.
TEST(List, GrowsInFewStepsAndReleasesTheExactSize)
{
    for (const auto &words : kWords) {
        mstring::list list;
        EXPECT_FALSE(list);
        EXPECT_EQ(list.begin(), list.end());
        std::vector<std::string> want, got;
        std::vector<const char *> so_far;
        for (const char *w : words) {
            so_far.push_back(w);
            want.push_back(expected_bytes(so_far));
        }
        int total = 0;
        for (std::size_t i = 0; i < words.size(); ++i) {
            int requests;
            {
                heap::Recording rec;
                EXPECT_TRUE(list.push_back(words[i]));
                requests = rec.requests();
            }
            got.emplace_back(list.get(), list.bytes());
            if (i > 0 && *words[i] == '\0') {
                EXPECT_EQ(requests, 0) << "empty word " << i;
            }
            total += requests;
        }
        EXPECT_EQ(got, want);
        std::size_t size = want.back().size();
        int log2_size = 0;
        for (std::size_t s = 1; s < size; s *= 2)
            ++log2_size;
        EXPECT_LE(total, log2_size) << "for " << size << " bytes";

        std::vector<heap::Call> calls;
        char *block;
        {
            heap::Recording rec;
            block = list.release();
            calls = rec.calls();
        }
        EXPECT_FALSE(list);
        EXPECT_EQ(list.bytes(), 0u);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(std::string(block, mstrsize(block)), want.back());
        ASSERT_LE(calls.size(), 1u);
        if (!calls.empty()) {
            EXPECT_EQ(calls[0].kind, 'r');
            EXPECT_EQ(calls[0].size, size);
        }
        std::free(block);
    }
}

// Refuses each heap request in turn, every growth step and release()'s cut:
// a refused doubling is followed by a request of the size needed; a
// refused push reports false and leaves the same block with the same
// bytes; a refused cut hands back the larger block, whole and freeable.
TEST(List, RefusedAllocationKeepsTheListAndLosesNothing)
{
    const std::vector<const char *> &words = kWords[4];
    const int n = static_cast<int>(words.size());
    // The requests of a run that nothing refuses: the pushes', then one to
    // cut the block.
    int requests = 0, cuts;
    std::vector<bool> doubling; // of each request, whether it asked for more than its push needed
    {
        mstring::list list;
        for (const char *w : words) {
            heap::Recording rec;
            EXPECT_TRUE(list.push_back(w));
            for (std::size_t size : heap::request_sizes(rec))
                doubling.push_back(size > list.bytes());
        }
        requests = static_cast<int>(doubling.size());
        heap::Recording rec;
        std::free(list.release());
        cuts = rec.requests();
    }
    ASSERT_GT(requests, 2);
    ASSERT_EQ(cuts, 1);
    ++requests;
    for (bool moving : {false, true}) {
        for (int refuse = 1; refuse <= requests; ++refuse) {
            // Only the list may allocate while recording: the snapshots
            // live in fixed buffers.
            std::vector<bool> ok(n), unchanged(n);
            char before[256], released[256];
            std::size_t released_size;
            long live;
            {
                heap::Recording rec(refuse, moving);
                {
                    mstring::list list;
                    for (int i = 0; i < n; ++i) {
                        const char *block = list.get();
                        const std::size_t size = list.bytes();
                        std::memcpy(before, block != nullptr ? block : "", size);
                        ok[i] = list.push_back(words[i]);
                        unchanged[i] = list.get() == block && list.bytes() == size &&
                                       std::memcmp(list.get() != nullptr ? list.get() : "", before, size) == 0;
                    }
                    char *block = list.release();
                    released_size = mstrsize(block);
                    std::memcpy(released, block, released_size);
                    std::free(block);
                }
                live = rec.live();
            }
            const std::string where = "refused " + std::to_string(refuse) + (moving ? ", moving" : "");
            std::vector<const char *> kept;
            int failed = 0;
            for (int i = 0; i < n; ++i) {
                if (ok[i]) {
                    kept.push_back(words[i]);
                } else {
                    ++failed;
                    EXPECT_TRUE(unchanged[i]) << where << ", push " << i + 1;
                }
            }
            // The last request is release()'s cut; every other one a push's.
            EXPECT_EQ(failed, refuse < requests && !doubling[refuse - 1] ? 1 : 0) << where;
            EXPECT_EQ(std::string(released, released_size), expected_bytes(kept)) << where;
            EXPECT_EQ(live, 0) << where;
        }
    }
}

// A view needs no NUL behind it: its bytes end at a guard page here.  A
// view or std::string that holds a NUL, anywhere, is refused by push_back
// and by from().
TEST(List, TakesExactlyTheBytesOfAViewAndRefusesANul)
{
    GuardedBytes tail(std::string("xyz"));
    const std::string_view unterminated(tail.data(), 3);
    const std::string with_nul[] = {"a\0b"s, "ab\0"s, "\0"s};
    for (const char *start : {static_cast<const char *>(nullptr), "w"}) {
        mstring::list list;
        if (start != nullptr) {
            ASSERT_TRUE(list.push_back(start));
        }
        const std::string before(list.get() != nullptr ? list.get() : "", list.bytes());
        for (const std::string &s : with_nul) {
            EXPECT_FALSE(list.push_back(std::string_view(s))) << s.size() << " bytes";
            EXPECT_FALSE(list.push_back(s)) << s.size() << " bytes";
            EXPECT_EQ(list.failed(), mstring::failure::nul);
        }
        EXPECT_EQ(std::string(list.get() != nullptr ? list.get() : "", list.bytes()), before);
        EXPECT_TRUE(list.push_back(unterminated));
        EXPECT_TRUE(list.push_back(unterminated.substr(0, 2)));
        EXPECT_EQ(std::string(list.get(), list.bytes()), before.substr(0, before.size() - (start != nullptr)) +
                                                             "xyz\0xy\0\0"s);
    }
    // {} and a default view (null data) are the empty string.
    mstring::list empty;
    EXPECT_TRUE(empty.push_back({}));
    EXPECT_TRUE(empty.push_back(std::string_view()));
    EXPECT_EQ(std::string(empty.get(), empty.bytes()), "\0\0"s);
    const std::vector<std::string_view> first_empty = {std::string_view(), "a", std::string_view()};
    mstring::list from = mstring::list::from(first_empty);
    EXPECT_EQ(std::string(from.get(), from.bytes()), "\0a\0\0"s);
    for (const mstring::list &l : {mstring::list::from(std::vector<std::string>{"a", "b\0c"s}),
                                   mstring::list::from(std::vector<std::string_view>{"a", with_nul[1]})})
        EXPECT_TRUE(!l && l.failed() == mstring::failure::nul);
    EXPECT_EQ(mstring::list::split("a:\0"sv, ':').failed(), mstring::failure::nul);
}

// A string of the list itself, appended while every growth moves the block
// (and poisons the old one).
TEST(List, AppendsItsOwnStringsWhileTheBlockMoves)
{
    mstring::list list;
    ASSERT_TRUE(list.push_back("abc"));
    std::string want = "abc\0"s;
    {
        heap::Recording rec(0, true);
        for (int i = 0; i < 8; ++i) {
            // The last string but its first byte ("bc", "c"), or all of
            // the first string when that would be empty.
            std::string_view last;
            for (std::string_view s : list)
                last = s;
            if (last.size() > 1) {
                want.append(last.substr(1)).push_back('\0'); // before last is void
                EXPECT_TRUE(list.push_back(last.substr(1)));
            } else {
                EXPECT_TRUE(list.push_back(list.get()));
                want.append("abc\0"s);
            }
        }
    }
    EXPECT_EQ(std::string(list.get(), list.bytes()), want + '\0');
}

// list::from gives mkmstrv's bytes from every kind of range, in one
// allocation of exactly that size; refused, an empty list and no leak.
TEST(List_mkmstrv, FromARangeEqualsMkmstrvInOneAllocation)
{
    for (const auto &words : kWords) {
        std::vector<const char *> argv(words);
        argv.push_back(nullptr);
        char *ms = mkmstrv(const_cast<char *const *>(argv.data()));
        ASSERT_NE(ms, nullptr);
        const std::string want(ms, mstrsize(ms));
        std::free(ms);
        const Strings strings(words.begin(), words.end());
        const std::vector<std::string_view> views(words.begin(), words.end());
        std::vector<char *> args;
        for (const char *w : argv)
            args.push_back(const_cast<char *>(w));
        // The words back to back in one pool, as argv's lie.
        std::string pool;
        for (const char *w : words)
            pool.append(w).push_back('\0');
        std::vector<const char *> packed;
        for (std::size_t at = 0; packed.size() < words.size(); at += std::strlen(&pool[at]) + 1)
            packed.push_back(&pool[at]);
        packed.push_back(nullptr);

        std::vector<std::vector<heap::Call>> calls;
        std::vector<std::string> got;
        auto keep = [&](heap::Recording &rec, const mstring::list &l) {
            calls.push_back(rec.calls());
            got.emplace_back(l.get() != nullptr ? l.get() : "", l.bytes());
        };
        { heap::Recording rec; mstring::list l = mstring::list::from(argv.data()); keep(rec, l); }
        { heap::Recording rec; mstring::list l = mstring::list::from(args.data()); keep(rec, l); }
        { heap::Recording rec; mstring::list l = mstring::list::from(packed.data()); keep(rec, l); }
        { heap::Recording rec; mstring::list l = mstring::list::from(args); keep(rec, l); }
        { heap::Recording rec; mstring::list l = mstring::list::from(strings); keep(rec, l); }
        { heap::Recording rec; mstring::list l = mstring::list::from(views); keep(rec, l); }
        {
            mstring::list l;
            for (const std::string_view &w : views)
                EXPECT_TRUE(l.push_back(w));
            got.emplace_back(l.get(), l.bytes());
        }
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(got[i], want) << "way " << i;
        for (std::size_t i = 0; i < calls.size(); ++i)
            EXPECT_EQ(calls[i], (std::vector<heap::Call>{{'m', nullptr, want.size(), nullptr}})) << "way " << i;

        long live;
        bool empty;
        {
            heap::Recording rec(1);
            mstring::list l = mstring::list::from(strings);
            empty = !l && l.failed() == mstring::failure::no_memory;
            live = rec.live();
        }
        EXPECT_TRUE(empty);
        EXPECT_EQ(live, 0);
    }
    // No strings, no block.
    const char *const none[] = {nullptr};
    EXPECT_FALSE(mstring::list::from(none));
    EXPECT_FALSE(mstring::list::from(static_cast<const char *const *>(nullptr)));
    EXPECT_TRUE(!mstring::list::from(Strings{}) && mstring::list::from(Strings{}).failed() == mstring::failure::none);
    EXPECT_TRUE(mstring::list::from({"", "a", "", "bc"}) == mstring::list(mkmstrl("", "a", "", "bc", nullptr)));
    EXPECT_TRUE(mstring::list::from(made()) == mstring::list::from({"m", "mm"})); // each kept alive while read
    // An array of pointers is a range of known length, read to its end and
    // no further (a guard page here), not an argv to read up to a null.
    static const char *const two[] = {"alpha", "beta"};
    GuardedBytes guarded(std::string(reinterpret_cast<const char *>(two), sizeof two));
    const auto &names = *reinterpret_cast<const char *const(*)[2]>(guarded.data());
    EXPECT_TRUE(mstring::list::from(names) == mstring::list::from({"alpha", "beta"}));
    // A null pointer in a braced list ends it, as in argv.
    const char *unset = nullptr;
    EXPECT_TRUE(mstring::list::from({"ls", unset, "x"}) == mstring::list::from({"ls"}));
}

// A range that gives other strings on its second pass: the copy writes no
// byte past what the first pass measured, and the list fails; the same
// size is the second pass's strings.  An exception from the range passes
// through from(), and nothing stays allocated.
TEST(List, FromARangeThatChangesOrThrowsFailsAndLeaksNothing)
{
    const struct {
        model::Passes passes;
        mstring::failure failed; // none: second's strings
    } cases[] = {
        {{{"a", "b"}, {"a", "longer"}}, mstring::failure::changed},
        {{{"abc", "d"}, {"ab", "d"}}, mstring::failure::changed},
        {{{"a"}, {"a", "b"}}, mstring::failure::changed},
        {{{"a", "b"}, {"a"}}, mstring::failure::changed},
        {{{"ab", "c"}, {"a", "bc"}}, mstring::failure::none},
        {{{"ab", "c"}, {"a\0"s, "c"}}, mstring::failure::nul},
        {{{"a", "b"}, {"a", "b"}, 1}, mstring::failure::none},
        {{{"a", "b"}, {"a", "b"}, 4}, mstring::failure::none},
    };
    for (const auto &c : cases) {
        model::Passes p = c.passes;
        bool threw = false;
        bool ok = false;
        long live;
        {
            heap::Recording rec;
            try {
                mstring::list l = mstring::list::from(model::Changing(p));
                ok = l.failed() == c.failed && (c.failed == mstring::failure::none
                                                    ? l == mstring::list::from(p.second)
                                                    : !l && l.get() == nullptr);
            } catch (const model::Thrown &) {
                threw = true;
            }
            live = rec.live();
        }
        const std::string where = p.first[0] + " then " + p.second[0] + ", throw at " + std::to_string(p.throw_at);
        EXPECT_EQ(threw, p.throw_at != 0) << where;
        EXPECT_TRUE(ok || threw) << where;
        EXPECT_EQ(live, 0) << where;
    }
}

TEST(List_mstrsize_mkmstrv, AdoptsAndReleasesLibraryBlocks)
{
    char *argv[] = {const_cast<char *>("x"), const_cast<char *>("yz"), nullptr};
    mstring::list list(mkmstrv(argv));
    ASSERT_TRUE(list);
    EXPECT_EQ(list.bytes(), 6u); // measured once, on adoption
    EXPECT_TRUE(list.push_back("w"s));
    EXPECT_EQ(Strings(list.begin(), list.end()), (Strings{"x", "yz", "w"}));
    mstring::list moved = std::move(list);
    EXPECT_FALSE(list);
    EXPECT_EQ(list.bytes(), 0u);
    char *block = moved.release();
    EXPECT_FALSE(moved);
    EXPECT_EQ(std::string(block, mstrsize(block)), "x\0yz\0w\0\0"s);
    std::free(block);
    mstring::list one;
    ASSERT_TRUE(one.reserve(16));
    heap::Recording refused(1); // argv's malloc: pushes that fit what reserve made ask for nothing
    EXPECT_TRUE(one.push_back("fits in 16"));
    EXPECT_EQ(one.argv(), nullptr); // its malloc refused
    EXPECT_FALSE(mstring::list(nullptr));
    EXPECT_EQ(mstring::list(nullptr).bytes(), 0u);
}

} // namespace
