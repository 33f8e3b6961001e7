// SPDX-License-Identifier: MIT
/*
 * mstring.hpp - C++17 companion to mstring.h, header-only.
 *
 * mstring::view  a non-owning forward range of std::string_view over a
 *                multi-string.  Each step measures one string, so a whole
 *                iteration reads the multi-string's bytes once.
 * mstring::list  an owning handle: a std::unique_ptr with free() as its
 *                deleter, grown through mstradd_r.  push_back reports a
 *                refused allocation by returning false and keeps the list
 *                as it was.
 *
 * Nothing here throws, allocates with new or needs RTTI, and nothing is
 * compiled into the library: programs that include this header link with
 * libmstring as C programs do.
 */
#ifndef MSTRING_HPP
#define MSTRING_HPP

#if !defined(__cplusplus) || __cplusplus < 201703L
#error "mstring.hpp needs C++17 or later"
#endif

#include <cstddef>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "mstring.h"

namespace mstring {

/*
 * The strings of a multi-string, in order, as views into its bytes; they
 * stay valid as long as the multi-string stays where it is.  A multi-string
 * always yields at least one string (the first may be empty); a view of a
 * null pointer is an empty range.
 */
class view {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = const std::string_view *;
        using reference = const std::string_view &;

        iterator() noexcept = default; // the end of every view

        reference operator*() const noexcept { return cur_; }
        pointer operator->() const noexcept { return &cur_; }

        // The next string starts behind this one's NUL; a NUL there is the
        // final NUL, and the end.
        iterator &operator++() noexcept
        {
            const char *next = cur_.data() + cur_.size() + 1;
            cur_ = *next != '\0' ? std::string_view(next) : std::string_view();
            return *this;
        }
        iterator operator++(int) noexcept
        {
            iterator old = *this;
            ++*this;
            return old;
        }

        friend bool operator==(const iterator &a, const iterator &b) noexcept
        {
            return a.cur_.data() == b.cur_.data();
        }
        friend bool operator!=(const iterator &a, const iterator &b) noexcept
        {
            return !(a == b);
        }

    private:
        friend class view;
        explicit iterator(const char *s) noexcept : cur_(s) {}

        std::string_view cur_; // the current string; a null data() at the end
    };

    view() noexcept = default;
    explicit view(const char *ms) noexcept : ms_(ms) {}

    iterator begin() const noexcept { return ms_ != nullptr ? iterator(ms_) : iterator(); }
    iterator end() const noexcept { return iterator(); }

    bool empty() const noexcept { return ms_ == nullptr; }
    const char *data() const noexcept { return ms_; }
    // mstrsize and mstrcount, one pass each; 0 for an empty view.
    std::size_t bytes() const noexcept { return ms_ != nullptr ? mstrsize(ms_) : 0; }
    int count() const noexcept { return ms_ != nullptr ? mstrcount(ms_) : 0; }

private:
    const char *ms_ = nullptr;
};

struct free_deleter {
    void operator()(char *p) const noexcept { std::free(p); }
};

/*
 * Owns one heap block holding a multi-string, or nothing.  The block comes
 * from malloc or realloc, so any block this library returns can be adopted,
 * and release() hands it back for free().
 */
class list {
public:
    list() noexcept = default; // holds no multi-string yet
    // Adopts block (for instance mkmstrv's result); null gives an empty list.
    explicit list(char *block) noexcept : block_(block) {}

    /*
     * Appends s: the first string through mstrinit, every later one
     * through mstradd_r, each to the exact new size.  Returns false when
     * the heap refuses, and the list is then unchanged.  As in every
     * multi-string, an empty s behind another string leaves no trace.
     * A successful call may move the block, voiding views and pointers
     * into it.
     */
    bool push_back(const char *s) noexcept
    {
        char *p = block_.get();
        char *grown = p != nullptr ? mstradd_r(&p, s) : mstrinit(s, 0);
        if (grown == nullptr)
            return false; // the block, if any, is as it was
        // If the block moved, realloc has released the old one.
        static_cast<void>(block_.release());
        block_.reset(grown);
        return true;
    }
    // The bytes of s up to its first NUL.
    bool push_back(const std::string &s) noexcept { return push_back(s.c_str()); }

    view strings() const noexcept { return view(block_.get()); }
    view::iterator begin() const noexcept { return strings().begin(); }
    view::iterator end() const noexcept { return strings().end(); }
    std::size_t bytes() const noexcept { return strings().bytes(); }
    int count() const noexcept { return strings().count(); }

    explicit operator bool() const noexcept { return block_ != nullptr; }
    const char *get() const noexcept { return block_.get(); }
    char *get() noexcept { return block_.get(); }
    char *release() noexcept { return block_.release(); }

private:
    std::unique_ptr<char, free_deleter> block_;
};

} // namespace mstring

#endif /* MSTRING_HPP */
