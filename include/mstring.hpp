// SPDX-License-Identifier: MIT
/*
 * mstring.hpp - C++17 companion to mstring.h, header-only.
 *
 * mstring::view  a non-owning forward range of std::string_view over a
 *                multi-string.  Each step measures one string, so a whole
 *                iteration reads the multi-string's bytes once.
 * mstring::list  an owning handle on a heap block, released with free().
 *                It keeps the multi-string's size, so push_back costs
 *                time for the appended string alone; list::from builds
 *                one from a range, and list::split from a separated
 *                buffer of known length, each with one allocation.  A
 *                call that fails returns false or an empty list (argv(),
 *                a null pointer), leaves the list's strings as they were,
 *                and failed() says why.
 *
 * Under C++20 view is a borrowed std::ranges::view and list a forward
 * range, so both compose with std::views; searching and joining are left
 * to the range algorithms (std::find, std::ranges::contains, fmt::join).
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
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#if __cplusplus > 201703L
#include <ranges>
#endif

#include "mstring.h"

namespace mstring {

namespace detail {

// Whether a and b hold the same bytes; n is a's size.
inline bool same(const char *a, std::size_t n, const char *b, std::size_t m) noexcept
{
    return n == m && (n == 0 || std::memcmp(a, b, n) == 0);
}

} // namespace detail

/*
 * The strings of a multi-string, in order, as views into its bytes; they
 * stay valid as long as the multi-string stays where it is.  A multi-string
 * always yields at least one string (the first may be empty); a view of a
 * null pointer is an empty range.
 */
class view {
public:
    /*
     * Yields each string by value, a std::string_view into the
     * multi-string, which outlives the iterator.  It is a forward iterator
     * (multi-pass, iterator_concept) whose reference is not a reference,
     * so to C++17's iterator_traits it is an input iterator, as the
     * standard's own views of values are.
     */
    class iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using iterator_concept = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = const std::string_view *; // valid while the iterator is
        using reference = std::string_view;

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
    // The first string; an empty string_view for an empty view.
    std::string_view front() const noexcept { return *begin(); }
    const char *data() const noexcept { return ms_; }
    // mstrsize and mstrcount, one pass each; 0 for an empty view, and a
    // count of -1 past INT_MAX strings, as mstrcount's.
    std::size_t bytes() const noexcept { return ms_ != nullptr ? mstrsize(ms_) : 0; }
    int count() const noexcept { return ms_ != nullptr ? mstrcount(ms_) : 0; }

    // The same strings in the same order: the same bytes through the final
    // NUL.  An empty view equals only an empty view or list.
    friend bool operator==(const view &a, const view &b) noexcept
    {
        return detail::same(a.ms_, a.bytes(), b.ms_, b.bytes());
    }
    friend bool operator!=(const view &a, const view &b) noexcept { return !(a == b); }

private:
    const char *ms_ = nullptr;
};

struct free_deleter {
    void operator()(char *p) const noexcept { std::free(p); }
};

// Why a list's last call that could fail did: failed() after push_back,
// reserve, from or split.
enum class failure : unsigned char {
    none,      // it did not fail (an empty list from from or split: no strings)
    nul,       // a string holds a NUL, which would end it early
    no_memory, // the heap refused, or the size would pass SIZE_MAX
};

/*
 * Owns one heap block holding a multi-string, or nothing.  The list keeps
 * the multi-string's size and the block's capacity, so appending costs
 * time for the appended string alone: the block grows by doubling, through
 * realloc, and may hold room to spare behind the final NUL.  After every
 * call get() is a well-formed multi-string, or null while the list holds
 * no string, and can be handed to any function that reads one; writes
 * through get() may change bytes but not the multi-string's size.  Every
 * block comes from malloc or realloc: any block this library returns can
 * be adopted, and release() hands it back for free().
 */
class list {
public:
    list() noexcept = default; // holds no multi-string yet
    // Adopts block (for instance mkmstrv's result), measuring it once; null
    // gives an empty list.
    explicit list(char *block) noexcept
        : block_(block), size_(block != nullptr ? mstrsize(block) : 0), room_(size_) {}

    list(list &&o) noexcept
        : block_(std::move(o.block_)), size_(std::exchange(o.size_, 0)),
          room_(std::exchange(o.room_, 0)), failed_(std::exchange(o.failed_, failure::none)) {}
    list &operator=(list &&o) noexcept
    {
        block_ = std::move(o.block_);
        size_ = std::exchange(o.size_, 0);
        room_ = std::exchange(o.room_, 0);
        failed_ = std::exchange(o.failed_, failure::none);
        return *this;
    }

    /*
     * A list of the strings of a range: std::vector<std::string>, a range
     * of std::string_view, an argv-style vector of char pointers, a view
     * that makes std::strings as it goes.  Every element must convert to
     * std::string_view, and the range must allow two passes; each element
     * is read once per pass and kept alive while it is read.  A null char
     * pointer ends the strings, as in argv.  All strings are measured
     * first, then the block is allocated once; it holds the bytes mkmstrv
     * gives for the same strings.  C strings that lie back to back, as
     * argv's do, are copied in one piece.  An empty list comes back when
     * there are no strings (failed() is failure::none), when one holds a
     * NUL (failure::nul, see push_back) and when the heap refuses
     * (failure::no_memory).
     */
    template <class Range, class = decltype(std::begin(std::declval<Range &>()))>
    [[nodiscard]] static list from(Range &&strings) noexcept
    {
        constexpr bool one_string = std::is_convertible_v<Range, std::string_view>;
        static_assert(!one_string, "mstring::list::from takes a range of strings, and this is one "
                                   "string: push_back it, or split it at a separator");
        constexpr bool of_strings = std::is_convertible_v<decltype(*std::begin(strings)), std::string_view>;
        static_assert(one_string || of_strings,
                      "mstring::list::from: the range's elements must convert to std::string_view");
        if constexpr (one_string || !of_strings)
            return list();
        else
            return build(std::begin(strings), std::end(strings));
    }
    // From a null-terminated vector such as argv; null gives an empty list.
    [[nodiscard]] static list from(const char *const *v) noexcept
    {
        return v != nullptr ? build(v, no_end()) : list();
    }
    // From a braced list: list::from({"a", "b"}).
    [[nodiscard]] static list from(std::initializer_list<std::string_view> strings) noexcept
    {
        return build(strings.begin(), strings.end());
    }

    /*
     * The strings of a buffer of known length in which each one ends at
     * separator: /proc/PID/environ or cmdline, find -print0 output (both
     * with the default, NUL), "a:b:c" with ':'.  Reads buffer's bytes and
     * no others; the last string needs no separator behind it, and one
     * there ends it rather than starting an empty string.  As in mkmstrv,
     * an empty string is kept first and dropped anywhere else: "::a" gives
     * "" and "a".  An empty buffer gives an empty list with failure::none;
     * a NUL in the buffer with another separator gives an empty list with
     * failure::nul.  The block is allocated once, at the buffer's size
     * plus 2, so dropped strings leave room to spare that release() gives
     * back.  This is the way in for bytes from files, pipes and other
     * processes; the C functions assume a well-formed multi-string.
     */
    [[nodiscard]] static list split(std::string_view buffer, char separator = '\0') noexcept
    {
        list l;
        const std::size_t n = buffer.size();
        if (n == 0)
            return l;
        if (separator != '\0' && std::memchr(buffer.data(), '\0', n) != nullptr) {
            l.failed_ = failure::nul;
            return l;
        }
        char *p = n <= SIZE_MAX - 2 ? static_cast<char *>(std::malloc(n + 2)) : nullptr;
        if (p == nullptr) {
            l.failed_ = failure::no_memory;
            return l;
        }
        l.block_.reset(p);
        if (separator == '\0') {
            std::memcpy(p, buffer.data(), n);
        } else {
            for (std::size_t i = 0; i < n; ++i)
                p[i] = buffer[i] != separator ? buffer[i] : '\0';
        }
        // With two NULs behind the buffer, the multi-string's end is that
        // of the buffer's strings, unless an empty one comes first.
        p[n] = p[n + 1] = '\0';
        l.size_ = mstrsize(p);
        if (l.size_ < n + 1)
            l.size_ = drop_empty(p, l.size_, n);
        l.room_ = n + 2;
        return l;
    }

    /*
     * Appends exactly the bytes of s, which needs no terminating NUL.  A
     * std::string or view holding a NUL cannot be one string of a
     * multi-string and is refused (failure::nul) rather than cut short.
     * Returns false, the list unchanged, on that refusal and when the heap
     * refuses (failure::no_memory).  A block that cannot double grows to
     * the size needed, as mstradd_r would.  As in every multi-string, an
     * empty s behind another string leaves no trace (and allocates
     * nothing); push_back({}) appends the empty string.  s may view one of
     * the list's own strings.  A call that grows the block may move it,
     * voiding views and pointers into it.
     */
    [[nodiscard]] bool push_back(std::string_view s) noexcept
    {
        if (s.empty()) // its data() may be null, which memcpy may not get
            return append("", 0);
        if (std::memchr(s.data(), '\0', s.size()) != nullptr) {
            failed_ = failure::nul;
            return false;
        }
        return append(s.data(), s.size());
    }
    // The bytes of the C string s up to its NUL; s must not be null.
    template <class Char, std::enable_if_t<std::is_same_v<std::remove_const_t<Char>, char>, int> = 0>
    [[nodiscard]] bool push_back(Char *s) noexcept
    {
        return append(s, std::strlen(s));
    }
    // A null pointer constant is no string: push_back(nullptr), (NULL) and
    // (0) do not compile.
    template <class Null, std::enable_if_t<std::is_null_pointer_v<Null> || std::is_integral_v<Null>, int> = 0>
    bool push_back(Null) = delete;

    /*
     * Makes the block hold at least bytes bytes, so that pushes that keep
     * bytes() within it ask the heap for nothing and cannot fail; on an
     * empty list the block waits for its first string.  Returns false
     * (failure::no_memory), the list unchanged, when the heap refuses.
     */
    [[nodiscard]] bool reserve(std::size_t bytes) noexcept
    {
        if (bytes > room_) {
            char *grown = static_cast<char *>(std::realloc(block_.get(), bytes));
            if (grown == nullptr) {
                failed_ = failure::no_memory;
                return false;
            }
            static_cast<void>(block_.release()); // realloc has released it
            block_.reset(grown);
            room_ = bytes;
        }
        failed_ = failure::none;
        return true;
    }

    // The strings; not of a temporary list, whose block dies at the end of
    // the statement: for (auto s : list::from(v).strings()) does not compile.
    view strings() const & noexcept { return view(get()); }
    view strings() const && = delete;
    view::iterator begin() const noexcept { return strings().begin(); }
    view::iterator end() const noexcept { return strings().end(); }
    // The first string; an empty string_view for an empty list.
    std::string_view front() const noexcept { return strings().front(); }
    bool empty() const noexcept { return size_ == 0; }
    // The multi-string's size, kept by the list (no scan); 0 when empty.
    std::size_t bytes() const noexcept { return size_; }
    int count() const noexcept { return strings().count(); }
    failure failed() const noexcept { return failed_; }

    explicit operator bool() const noexcept { return size_ != 0; }
    const char *get() const noexcept { return size_ != 0 ? block_.get() : nullptr; }
    char *get() noexcept { return size_ != 0 ? block_.get() : nullptr; }

    /*
     * A vector for execv and execve: the strings' addresses in the block,
     * in order, then a null pointer, in one block from malloc that the
     * caller releases with free().  It points into the list and is valid
     * while the list is unchanged; an empty list gives a vector holding
     * the null pointer alone.  Null when the heap refuses.  Not of a
     * temporary list.
     */
    [[nodiscard]] char **argv() const & noexcept
    {
        // More than INT_MAX strings (count() -1) are counted one by one.
        std::size_t n = 0;
        if (int c = count(); c >= 0) {
            n = static_cast<std::size_t>(c);
        } else {
            for (view::iterator i = begin(); i != end(); ++i)
                ++n;
        }
        char **v = static_cast<char **>(std::malloc((n + 1) * sizeof(char *)));
        if (v == nullptr)
            return nullptr;
        char **out = v;
        for (std::string_view s : strings())
            *out++ = const_cast<char *>(s.data());
        *out = nullptr;
        return v;
    }
    char **argv() const && = delete;

    /*
     * Hands the block back, cut to exactly bytes() by one shrinking
     * realloc, and leaves the list empty; an empty list gives null (and
     * frees the room reserve made).  Should realloc refuse, the block
     * comes back with its room to spare: it holds the same multi-string and
     * is still released with free().
     */
    [[nodiscard]] char *release() noexcept
    {
        char *p = block_.release();
        if (size_ == 0) {
            std::free(p);
            p = nullptr;
        } else if (room_ > size_) {
            char *cut = static_cast<char *>(std::realloc(p, size_));
            if (cut != nullptr)
                p = cut;
        }
        size_ = room_ = 0;
        failed_ = failure::none;
        return p;
    }

    // The same strings in the same order (a memcmp of the bytes).
    friend bool operator==(const list &a, const list &b) noexcept
    {
        return detail::same(a.get(), a.size_, b.get(), b.size_);
    }
    friend bool operator==(const list &a, const view &b) noexcept
    {
        return detail::same(a.get(), a.size_, b.data(), b.bytes());
    }
    friend bool operator==(const view &a, const list &b) noexcept { return b == a; }
    friend bool operator!=(const list &a, const list &b) noexcept { return !(a == b); }
    friend bool operator!=(const list &a, const view &b) noexcept { return !(a == b); }
    friend bool operator!=(const view &a, const list &b) noexcept { return !(b == a); }

private:
    // Appends the len bytes at s, none of them NUL.
    bool append(const char *s, std::size_t len) noexcept
    {
        failed_ = failure::none;
        if (size_ != 0 && len == 0)
            return true; // it would read as the final NUL
        // s goes over the final NUL, or at 0 in a new block.
        std::size_t at = size_ != 0 ? size_ - 1 : 0;
        if (len > SIZE_MAX - 2 - at) {
            failed_ = failure::no_memory;
            return false;
        }
        std::size_t size = at + len + 2;
        char *p = block_.get();
        if (size > room_) {
            // Double the block (short of overflow) or take what is needed.
            std::size_t room = room_ <= SIZE_MAX / 2 && 2 * room_ > size ? 2 * room_ : size;
            // s may be one of the list's strings, and realloc may move them.
            bool own = p != nullptr && std::less_equal<const char *>()(p, s) &&
                       std::less<const char *>()(s, p + size_);
            std::size_t offset = own ? static_cast<std::size_t>(s - p) : 0;
            char *grown = static_cast<char *>(std::realloc(p, room));
            if (grown == nullptr && room > size) // the exact size may still be had
                grown = static_cast<char *>(std::realloc(p, room = size));
            if (grown == nullptr) {
                failed_ = failure::no_memory;
                return false; // the block is as it was
            }
            // If the block moved, realloc has released the old one.
            static_cast<void>(block_.release());
            block_.reset(grown);
            room_ = room;
            p = grown;
            if (own)
                s = p + offset;
        }
        std::memcpy(p + at, s, len);
        p[at + len] = '\0';
        p[at + len + 1] = '\0';
        size_ = size;
        return true;
    }

    // Moves the strings behind the first empty one that is not first (its
    // NUL at size - 1 of the n bytes at p) forward, dropping every empty
    // one, and returns the multi-string's size.
    static std::size_t drop_empty(char *p, std::size_t size, std::size_t n) noexcept
    {
        char *out = p + size - 1; // the next string goes here
        const char *in = p + size;
        const char *const end = p + n;
        while (in < end) {
            if (*in == '\0') {
                ++in;
                continue;
            }
            const void *nul = std::memchr(in, '\0', static_cast<std::size_t>(end - in));
            const std::size_t len = static_cast<std::size_t>((nul != nullptr ? static_cast<const char *>(nul) : end) - in);
            std::memmove(out, in, len);
            out[len] = '\0';
            out += len + 1;
            in += len + 1;
        }
        *out = '\0';
        return static_cast<std::size_t>(out + 1 - p);
    }

    // A null char pointer ends an argv-style vector.
    template <class T>
    static bool ends(const T &e) noexcept
    {
        if constexpr (std::is_pointer_v<T>)
            return e == nullptr;
        else
            return false;
    }
    // A C string holds no NUL by construction; anything else is searched.
    template <class T>
    static bool holds_nul(const T &, std::string_view s) noexcept
    {
        if constexpr (std::is_pointer_v<T>)
            return false;
        else
            return !s.empty() && std::memchr(s.data(), '\0', s.size()) != nullptr;
    }

    // The end of a null-terminated vector, which its null reaches first.
    struct no_end {
        friend bool operator!=(const char *const *, no_end) noexcept { return true; }
    };

    // Copies a string and its NUL to out and returns the byte behind them.
    static char *put(char *out, const char *s) noexcept
    {
        std::size_t n = std::strlen(s) + 1;
        std::memcpy(out, s, n);
        return out + n;
    }
    static char *put(char *out, std::string_view s) noexcept
    {
        out += s.copy(out, s.size()); // copies nothing from an empty view
        *out = '\0';
        return out + 1;
    }

    // Each element is read once per pass, into e, which keeps a string the
    // range makes alive while it is measured or copied.
    template <class It, class End>
    static list build(It first, End last) noexcept
    {
        // C strings that lie back to back, each just behind the NUL of the
        // one before, as argv's and environ's do, are one run of bytes:
        // unless an empty string among them must be dropped, one memcpy
        // copies them all.
        constexpr bool c_strings = std::is_pointer_v<std::decay_t<decltype(*first)>>;
        bool one_run = c_strings;
        const char *run_end = nullptr; // behind the NUL of the string before
        // The size: 1 for the final NUL, then each string with its NUL; an
        // empty string counts only while no string stands before it.
        std::size_t size = 1;
        list l;
        for (It it = first; it != last; ++it) {
            auto &&e = *it;
            if (ends(e))
                break;
            const std::string_view s = e;
            if (holds_nul(e, s) || s.size() > SIZE_MAX - 1 - size) {
                l.failed_ = holds_nul(e, s) ? failure::nul : failure::no_memory;
                return l;
            }
            if (!s.empty() || size == 1)
                size += s.size() + 1;
            else
                one_run = false;
            if constexpr (c_strings) {
                one_run = one_run && (run_end == nullptr || s.data() == run_end);
                run_end = s.data() + s.size() + 1;
            }
        }
        if (size == 1)
            return l; // no strings
        l.block_.reset(static_cast<char *>(std::malloc(size)));
        char *const start = l.block_.get();
        if (start == nullptr) {
            l.failed_ = failure::no_memory;
            return l;
        }
        if constexpr (c_strings) {
            if (one_run)
                std::memcpy(start, *first, size - 1);
            else
                copy_each(start, first, last);
        } else {
            copy_each(start, first, last);
        }
        start[size - 1] = '\0';
        l.size_ = l.room_ = size;
        return l;
    }

    // Copies the strings to start, each with its NUL, but for an empty
    // string after the first: that one is written but not kept, its NUL
    // overwritten next, in room the final NUL has anyway.
    template <class It, class End>
    static void copy_each(char *const start, It first, End last) noexcept
    {
        char *out = start;
        for (It it = first; it != last; ++it) {
            auto &&e = *it;
            if (ends(e))
                break;
            char *next = put(out, e);
            if (next - out > 1 || out == start)
                out = next;
        }
    }

    std::unique_ptr<char, free_deleter> block_; // null, or room_ bytes
    std::size_t size_ = 0; // of the multi-string, through its final NUL; 0: no strings
    std::size_t room_ = 0; // of the block
    failure failed_ = failure::none;
};

} // namespace mstring

#if __cplusplus > 201703L
// A view only points into a multi-string: its iterators outlive it, and it
// is copied in constant time.
template <>
inline constexpr bool std::ranges::enable_borrowed_range<mstring::view> = true;
template <>
inline constexpr bool std::ranges::enable_view<mstring::view> = true;
#endif

#endif /* MSTRING_HPP */
