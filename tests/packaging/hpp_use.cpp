// SPDX-License-Identifier: MIT
// Compiled as C++17 and C++20 with warnings as errors, without exceptions
// or RTTI: the header must stand alone and its view must be a range.
#include "mstring.hpp"
#include "mstring.hpp" // the header guards itself

#include <iterator>
#include <type_traits>
#if __cplusplus > 201703L
#include <ranges>
static_assert(std::ranges::forward_range<mstring::view>);
static_assert(std::forward_iterator<mstring::view::iterator>);
#endif

static_assert(std::is_same_v<std::iterator_traits<mstring::view::iterator>::iterator_category,
                             std::forward_iterator_tag>);
static_assert(std::is_nothrow_move_constructible_v<mstring::list>);
static_assert(!std::is_copy_constructible_v<mstring::list>);
static_assert(sizeof(mstring::list) == sizeof(char *), "the handle is one pointer");

std::size_t hpp_use(char **argv);

std::size_t hpp_use(char **argv)
{
    mstring::list list(mkmstrv(argv));
    std::size_t n = 0;
    if (list.push_back("x"))
        for (std::string_view s : list.strings())
            n += s.size();
    return n + static_cast<std::size_t>(list.count());
}
