// SPDX-License-Identifier: MIT
// Compiled as C++17 and C++20 by g++ and clang++ with warnings as errors,
// without exceptions or RTTI: the header must stand alone, its view must
// be a range, under C++20 both classes must compose with std::views, and
// every member must compile cleanly.  hpp_test.cpp includes it.
#include "mstring.hpp"
#include "mstring.hpp" // the header guards itself

#include <array>
#include <iterator>
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
static_assert(!std::ranges::view<mstring::list>); // it owns its block
#endif

// Strings by value: an input iterator to C++17, forward by its concept.
static_assert(std::is_same_v<std::iterator_traits<mstring::view::iterator>::iterator_category,
                             std::input_iterator_tag>);
static_assert(std::is_same_v<std::iterator_traits<mstring::view::iterator>::reference, std::string_view>);
static_assert(std::is_same_v<mstring::view::iterator::iterator_concept, std::forward_iterator_tag>);
static_assert(std::is_nothrow_move_constructible_v<mstring::list>);
static_assert(std::is_nothrow_move_assignable_v<mstring::list>);
static_assert(!std::is_copy_constructible_v<mstring::list>);
// Whether a call compiles with arguments of the types A.
template <class... A, class F>
constexpr bool compiles(F) { return std::is_invocable_v<F, A...>; }
static_assert(compiles<mstring::list &>([](auto &l) -> decltype(l.push_back(std::string())) { return {}; }));
static_assert(!compiles<mstring::list &>([](auto &l) -> decltype(l.push_back(nullptr)) { return {}; }));
// The strings of a temporary list, and their addresses, would outlive its block.
static_assert(!compiles<mstring::list>([](auto &&l) -> decltype(std::move(l).strings()) { return {}; }));
static_assert(!compiles<mstring::list>([](auto &&l) -> decltype(std::move(l).argv()) { return {}; }));

// Makes each string as it is read, as std::views::transform does.
struct made {
    struct iterator {
        std::size_t n;
        std::string operator*() const { return std::string(n, 'm'); }
        iterator &operator++() { return ++n, *this; }
        bool operator!=(iterator o) const { return n != o.n; }
    };
    iterator begin() const { return {1}; }
    iterator end() const { return {3}; }
};

std::size_t hpp_use(char **argv);

std::size_t hpp_use(char **argv)
{
    mstring::list list(mkmstrv(argv));
    std::size_t n = 0;
    if (list.push_back("x") && list.push_back(std::string_view("yz", 1)) && list.push_back(std::string("w")))
        for (std::string_view s : list.strings())
            n += s.size();
    // Every kind of range the builder takes, and argv by pointer.
    const std::vector<std::string> strings = {"a", "b"};
    const std::array<std::string_view, 2> views = {"c", "d"};
    const char *const pointers[] = {"e", "f", nullptr};
    for (const mstring::list &l : {mstring::list::from(strings), mstring::list::from(views),
                                   mstring::list::from(pointers), mstring::list::from(argv),
                                   mstring::list::from(made())})
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
#endif
    // The members not used above (and failed() below), then misuse.
    mstring::list copy = mstring::list::from({"x", list.front()});
    char **v = copy.empty() || copy == list || copy != mstring::view() || !copy.reserve(64) ||
                       copy.strings().front() != "x" || mstring::list::split("a:b", ':').count() != 2
                   ? nullptr
                   : copy.argv();
    std::free(v);
#ifdef HPP_USE_MISUSE
    n += mstring::list::from(std::string("no range of strings")).bytes();
    list.push_back("the result dropped");
#endif
    char *block = list.release();
    std::free(block);
    return n + static_cast<std::size_t>(list.count()) + (list.failed() == mstring::failure::none);
}
