// SPDX-License-Identifier: MIT
// Compiled as C++17 and C++20 by g++ and clang++ with warnings as errors,
// without exceptions or RTTI: the header must stand alone, its view must
// be a range, under C++20 both classes must compose with std::views, every
// member must compile cleanly, and the calls it refuses must be refused
// where requires-expressions (C++20) and SFINAE (C++17) can see it, with
// the same answers in both.  hpp_test.cpp includes it.
#include "mstring.hpp"
#include "mstring.hpp" // the header guards itself

#include <array>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>
#if __cplusplus > 201703L
#include <ranges>
static_assert(std::ranges::forward_range<mstring::view>);
static_assert(std::ranges::borrowed_range<mstring::view>);
static_assert(std::ranges::view<mstring::view>);
static_assert(std::forward_iterator<mstring::view::iterator>);
static_assert(std::ranges::forward_range<mstring::list>);
static_assert(std::ranges::forward_range<const mstring::list>);
static_assert(std::ranges::sized_range<mstring::list>);
static_assert(std::ranges::sized_range<const mstring::list>);
static_assert(!std::ranges::view<mstring::list>); // it owns its block
static_assert(std::ranges::viewable_range<mstring::list>); // a temporary one, by owning_view
#endif

// Strings by value: an input iterator to C++17, forward by its concept.
static_assert(std::is_same_v<std::iterator_traits<mstring::view::iterator>::iterator_category,
                             std::input_iterator_tag>);
static_assert(std::is_same_v<std::iterator_traits<mstring::view::iterator>::reference, std::string_view>);
static_assert(std::is_same_v<mstring::view::iterator::iterator_concept, std::forward_iterator_tag>);
static_assert(std::is_nothrow_move_constructible_v<mstring::list>);
static_assert(std::is_nothrow_move_assignable_v<mstring::list>);
static_assert(std::is_nothrow_swappable_v<mstring::list>);
static_assert(!std::is_copy_constructible_v<mstring::list>);
// A const list converts to a view, as std::string to std::string_view; a
// temporary one does not, for the view would outlive the block.
static_assert(std::is_convertible_v<const mstring::list &, mstring::view>);
static_assert(!std::is_convertible_v<mstring::list, mstring::view>);

// Whether a call compiles with arguments of the types A.
template <class... A, class F>
constexpr bool compiles(F) { return std::is_invocable_v<F, A...>; }
static_assert(compiles<mstring::list &>([](auto &l) -> decltype(l.push_back(std::string())) { return {}; }));
static_assert(!compiles<mstring::list &>([](auto &l) -> decltype(l.push_back(nullptr)) { return {}; }));
// Views into a temporary list, and its strings' addresses, would outlive its
// block; get() stays, for a call within the statement.
static_assert(!compiles<mstring::list>([](auto &&l) -> decltype(std::move(l).strings()) { return {}; }));
static_assert(!compiles<mstring::list>([](auto &&l) -> decltype(std::move(l).argv()) { return {}; }));
static_assert(!compiles<mstring::list>([](auto &&l) -> decltype(std::move(l).front()) { return {}; }));
static_assert(!compiles<mstring::list>([](auto &&l) -> decltype(std::move(l).begin()) { return {}; }));
static_assert(!compiles<mstring::list>([](auto &&l) -> decltype(std::move(l).end()) { return {}; }));
static_assert(compiles<mstring::list>([](auto &&l) -> decltype(std::move(l).get()) { return {}; }));
// argv() owns its vector, and of a const list cannot write into it.
static_assert(std::is_same_v<decltype(std::declval<mstring::list &>().argv()),
                             std::unique_ptr<char *[], mstring::free_deleter>>);
static_assert(compiles<mstring::list &>([](auto &l) -> decltype(l.argv()[0][0] = 'x') { return 'x'; }));
static_assert(!compiles<const mstring::list &>([](auto &l) -> decltype(l.argv()[0][0] = 'x') { return 'x'; }));

// Makes each string as it is read, as std::views::transform does: a
// forward iterator whose reference is a value.
struct made {
    struct iterator {
        using iterator_category = std::input_iterator_tag;
        using iterator_concept = std::forward_iterator_tag;
        using value_type = std::string;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string;
        std::size_t n = 0;
        std::string operator*() const { return std::string(n, 'm'); }
        iterator &operator++() { return ++n, *this; }
        iterator operator++(int) { iterator old = *this; ++n; return old; }
        bool operator==(const iterator &o) const { return n == o.n; }
        bool operator!=(const iterator &o) const { return n != o.n; }
    };
    iterator begin() const { return {1}; }
    iterator end() const { return {3}; }
};

// Whether list::from(R) compiles: a requires-expression under C++20, the
// detection idiom under C++17.
#if __cplusplus > 201703L
template <class R>
constexpr bool from_compiles = requires(R &&r) { mstring::list::from(static_cast<R &&>(r)); };
#else
template <class R, class = void>
constexpr bool from_compiles = false;
template <class R>
constexpr bool from_compiles<R, std::void_t<decltype(mstring::list::from(std::declval<R>()))>> = true;
#endif
// Taken: forward ranges of strings, arrays of pointers, argv by pointer.
static_assert(from_compiles<const std::vector<std::string> &>);
static_assert(from_compiles<std::vector<std::string_view>>);
static_assert(from_compiles<const char *const (&)[2]>);
static_assert(from_compiles<char *(&)[3]>);
static_assert(from_compiles<const char (&)[2][8]>);
static_assert(from_compiles<char **>);
static_assert(from_compiles<const char *const *>);
static_assert(from_compiles<made>);
static_assert(from_compiles<const mstring::list &>);
// Refused: one string, a range of anything else, a range read only once.
static_assert(!from_compiles<std::string>);
static_assert(!from_compiles<std::string_view>);
static_assert(!from_compiles<const char *>);
static_assert(!from_compiles<const char (&)[6]>);
static_assert(!from_compiles<std::vector<int>>);
static_assert(!from_compiles<int>);
static_assert(!from_compiles<std::vector<const unsigned char *>>);
struct istream_strings {
    std::istream *in;
    std::istream_iterator<std::string> begin() const { return std::istream_iterator<std::string>(*in); }
    std::istream_iterator<std::string> end() const { return {}; }
};
static_assert(!from_compiles<istream_strings>);
#if __cplusplus > 201703L && !(defined(__clang__) && __clang_major__ < 15)
static_assert(!from_compiles<std::ranges::istream_view<std::string>>);
#endif
// noexcept exactly when reading the range cannot throw.
static_assert(noexcept(mstring::list::from(std::declval<const std::vector<std::string> &>())));
static_assert(noexcept(mstring::list::from(std::declval<char **>())));
static_assert(!noexcept(mstring::list::from(made())));

std::size_t hpp_use(char **argv);

std::size_t hpp_use(char **argv)
{
    mstring::list list(mkmstrv(argv));
    std::size_t n = 0;
    if (list.push_back("x") && list.push_back(std::string_view("yz", 1)) && list.push_back(std::string("w")))
        for (std::string_view s : list.strings())
            n += s.size();
    // Every kind of range the builder takes, argv by pointer, a braced list.
    const std::vector<std::string> strings = {"a", "b"};
    const std::array<std::string_view, 2> views = {"c", "d"};
    static const char *const pointers[] = {"e", "f"};
    const std::string g = "g";
    for (const mstring::list &l : {mstring::list::from(strings), mstring::list::from(views),
                                   mstring::list::from(pointers), mstring::list::from(argv),
                                   mstring::list::from(made()), mstring::list::from(list),
                                   mstring::list::from({"h", g, views[0], static_cast<const char *>(nullptr)})})
        n += l.bytes();
#if __cplusplus > 201703L && !(defined(__clang__) && __clang_major__ < 15)
    // (clang before 15 cannot compile libstdc++'s views at all.)
    auto longer = [](std::string_view s) { return s.size() > 1; };
    auto size = [](std::string_view s) { return s.size(); };
    for (std::size_t k : list.strings() | std::views::filter(longer) | std::views::transform(size))
        n += k;
    mstring::list names = mstring::list::from(strings);
    for (std::size_t k : names | std::views::filter(longer) | std::views::transform(size))
        n += k;
    for (std::size_t k : mstring::list::from(strings) | std::views::transform(size)) // owned by the view
        n += k;
    n += std::ranges::size(names) + static_cast<std::size_t>(std::ranges::distance(names));
#endif
    for (std::string_view s : mstring::list::from(views)) // the temporary lives through the loop
        n += s.size();
    // The members not used above (and failed() below).
    mstring::list copy = mstring::list::from({"x", list.front()});
    const mstring::list &fixed = copy;
    const mstring::view v = fixed;
    mstring::list other;
    other.swap(copy);
    swap(other, copy);
    other = mstring::list::split("a:b", ':');
    if (!copy.empty() && copy != list && copy == v && v == copy && copy.reserve(64) && copy.capacity() >= 64 &&
        copy.strings().front() == "x" && other.count() == 2 && other.size() == 2 && v.count() == 2 &&
        copy.data() == copy.get() && fixed.data() == v.data() && v.bytes() == copy.bytes() && !v.empty()) {
        std::unique_ptr<char *[], mstring::free_deleter> args = copy.argv();
        std::unique_ptr<const char *[], mstring::free_deleter> cargs = fixed.argv();
        n += args && cargs && args[0] == cargs[0] ? 1 : 0;
    }
    n += mstring::view(fixed.get()).begin() == v.begin() ? 1 : 0;
    copy.clear();
    n += copy.size() + (copy ? 1 : 0) + static_cast<std::size_t>(mstrcount(mstring::list::from(views).get()));
#ifdef HPP_USE_MISUSE
    n += mstring::list::from(std::string("no range of strings")).bytes();
    list.push_back("the result dropped");
#endif
#ifdef HPP_USE_DANGLING
    const char *dangling = mstring::list::from(strings).get();
    n += dangling != nullptr;
#endif
    char *block = list.release();
    std::free(block);
    return n + static_cast<std::size_t>(list.count()) + (list.failed() == mstring::failure::none);
}
