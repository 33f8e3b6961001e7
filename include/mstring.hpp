// SPDX-License-Identifier: MIT
/*
 * mstring.hpp - C++17 companion to mstring.h, header-only.
 *
 * mstring::view  a non-owning forward range of std::string_view over a
 *                multi-string.
 * mstring::list  an owning handle on a heap block, released with free().
 *                It keeps the multi-string's size and number of strings,
 *                so push_back costs time for the appended string alone and
 *                size() is constant time; list::from builds one from a
 *                range, and list::split from a separated buffer of known
 *                length, each with one allocation.  A call that fails
 *                returns false or an empty list (argv(), a null owner),
 *                leaves the list's strings as they were, and failed() says
 *                why.
 *
 * Under C++20 view is a borrowed std::ranges::view and list a sized
 * forward range, so both compose with std::views; searching and joining
 * are left to the algorithms: std::find, std::ranges::find (C++20),
 * std::ranges::contains (C++23), fmt::join.
 *
 * What list::from takes is decided in one place, before overload
 * resolution (see "What list::from takes"): calls it cannot serve safely
 * do not compile, and requires-expressions and SFINAE see them refused.
 * Members that hand out views or pointers into a list's block are deleted
 * on a temporary list, or marked lifetimebound for the compilers that warn.
 *
 * Nothing here throws, allocates with new or needs RTTI; the caller's
 * range may throw, and its exception passes through list::from, which
 * then leaves nothing allocated.  Nothing is compiled into the library:
 * programs that include this header link with libmstring as C programs do.
 */
#ifndef MSTRING_HPP
#define MSTRING_HPP

#if !defined(__cplusplus) || __cplusplus < 201703L
#error "mstring.hpp needs C++17 or later"
#endif

#include <climits>
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
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// x86 with GCC or clang: list::split copies with AVX2 where the processor
// has it, whatever the flags this is compiled with, unless MSTRING_NO_AVX2
// is defined.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__)) && !defined(MSTRING_NO_AVX2)
#define MSTRING_SPLIT_AVX2 1
#include <immintrin.h>
#else
#define MSTRING_SPLIT_AVX2 0
#endif

#include "mstring.h"

// C++20 concepts and ranges where the compiler and library have both.
#if defined(__cpp_concepts) && __cpp_concepts >= 201907L && defined(__cpp_lib_ranges)
#define MSTRING_CONCEPTS 1
#else
#define MSTRING_CONCEPTS 0
#endif

// A template on T taking only what Cond allows: a requires-clause under
// C++20, its C++17 equivalent otherwise.  Either way a call that no
// template allows is a substitution failure, not an error in the body.
#if MSTRING_CONCEPTS
#define MSTRING_TEMPLATE_IF(T, Cond) template <class T> requires(Cond)
#else
#define MSTRING_TEMPLATE_IF(T, Cond) template <class T, std::enable_if_t<(Cond), int> = 0>
#endif

// A result that points into the object it is called on: clang warns when
// it outlives that object.
#if defined(__has_cpp_attribute)
#if __has_cpp_attribute(clang::lifetimebound)
#define MSTRING_LIFETIMEBOUND [[clang::lifetimebound]]
#endif
#endif
#ifndef MSTRING_LIFETIMEBOUND
#define MSTRING_LIFETIMEBOUND
#endif

namespace mstring {

namespace detail {

// Whether a and b hold the same bytes; n is a's size.
inline bool same(const char *a, std::size_t n, const char *b, std::size_t m) noexcept
{
    return n == m && (n == 0 || std::memcmp(a, b, n) == 0);
}

// The index of m's lowest set bit; m is not 0.
inline unsigned lowest_bit(std::uint64_t m) noexcept
{
#if defined(__GNUC__)
    return static_cast<unsigned>(__builtin_ctzll(m));
#else
    unsigned n = 0;
    for (; (m & 1) == 0; m >>= 1)
        ++n;
    return n;
#endif
}

/*
 * A bit for each NUL among the 64 bytes at the 64-byte boundary block, bit
 * i for byte i, counting only the bytes from lo up to hi.  Only those
 * bytes are read: a whole block at once when it lies within them (an
 * aligned block never crosses a page), else byte by byte.
 */
inline std::uint64_t nul_bits(std::uintptr_t block, std::uintptr_t lo, std::uintptr_t hi) noexcept
{
#if defined(__SSE2__)
    if (block >= lo && block + 64 <= hi) {
        const __m128i *v = reinterpret_cast<const __m128i *>(block);
        const __m128i zero = _mm_setzero_si128();
        std::uint64_t m = 0;
        for (int k = 0; k < 4; ++k)
            m |= std::uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_load_si128(v + k), zero))))
                 << (16 * k);
        return m;
    }
#endif
    std::uint64_t m = 0;
    const std::uintptr_t from = block > lo ? block : lo, to = block + 64 < hi ? block + 64 : hi;
    for (std::uintptr_t a = from; a < to; ++a)
        if (*reinterpret_cast<const char *>(a) == '\0')
            m |= std::uint64_t(1) << (a - block);
    return m;
}

/*
 * The front of list::split: copies in to out, 64 bytes at a time, each
 * separator as a NUL, and stops before the first 64 bytes that hold an
 * empty string other than the first (a separator right behind a
 * separator, or behind the byte before in when *nul_before).  Adds the
 * separators copied to *count, sets *nul_before to whether the last byte
 * copied was one, and returns the number of bytes copied.  Reads and
 * writes n bytes at most.  Separators are counted in byte counters, each
 * vector's matches (-1) subtracted, added up before one can pass 255.
 */
#if defined(__SSE2__)
// The sum of the 16 byte counters in v.
inline std::size_t sum_bytes(__m128i v) noexcept
{
    const __m128i halves = _mm_sad_epu8(v, _mm_setzero_si128()); // two sums of 8 bytes
    return static_cast<std::size_t>(_mm_cvtsi128_si32(halves)) +
           static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(halves, 8)));
}

// With SSE2: four vectors of 16 bytes, a counter gaining 4 at most.
inline std::size_t split_chunks(char *out, const char *in, std::size_t n, char separator, std::size_t *count,
                                bool *nul_before) noexcept
{
    const __m128i sep = _mm_set1_epi8(separator);
    __m128i counters = _mm_setzero_si128();
    std::uint64_t before = *nul_before ? 1 : 0;
    std::size_t i = 0;
    for (unsigned chunks = 0; n - i >= 64; i += 64) {
        __m128i v[4], is_sep[4];
        std::uint64_t m = 0;
        for (int k = 0; k < 4; ++k) {
            v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i) + k);
            is_sep[k] = _mm_cmpeq_epi8(v[k], sep);
            m |= std::uint64_t(unsigned(_mm_movemask_epi8(is_sep[k]))) << (16 * k);
        }
        if ((m & (m << 1 | before)) != 0)
            break; // an empty string to drop: the caller goes on byte by byte
        for (int k = 0; k < 4; ++k) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i) + k, _mm_andnot_si128(is_sep[k], v[k]));
            counters = _mm_sub_epi8(counters, is_sep[k]);
        }
        before = m >> 63;
        if (++chunks == 63) {
            *count += sum_bytes(counters);
            counters = _mm_setzero_si128();
            chunks = 0;
        }
    }
    *count += sum_bytes(counters);
    *nul_before = before != 0;
    return i;
}
#endif

#if MSTRING_SPLIT_AVX2
// With AVX2: two vectors of 32 bytes, a counter gaining 2 at most.
__attribute__((target("avx2"))) inline std::size_t sum_bytes_avx2(__m256i v) noexcept
{
    const __m256i quarters = _mm256_sad_epu8(v, _mm256_setzero_si256()); // four sums of 8 bytes
    const __m128i halves = _mm_add_epi64(_mm256_castsi256_si128(quarters), _mm256_extracti128_si256(quarters, 1));
    return static_cast<std::size_t>(_mm_cvtsi128_si32(halves)) +
           static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(halves, 8)));
}

__attribute__((target("avx2"))) inline std::size_t split_chunks_avx2(char *out, const char *in, std::size_t n,
                                                                     char separator, std::size_t *count,
                                                                     bool *nul_before) noexcept
{
    const __m256i sep = _mm256_set1_epi8(separator);
    __m256i counters = _mm256_setzero_si256();
    std::uint64_t before = *nul_before ? 1 : 0;
    std::size_t i = 0;
    for (unsigned chunks = 0; n - i >= 64; i += 64) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + i + 32));
        const __m256i a_sep = _mm256_cmpeq_epi8(a, sep), b_sep = _mm256_cmpeq_epi8(b, sep);
        const std::uint64_t m = std::uint64_t(unsigned(_mm256_movemask_epi8(a_sep))) |
                                std::uint64_t(unsigned(_mm256_movemask_epi8(b_sep))) << 32;
        if ((m & (m << 1 | before)) != 0)
            break;
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), _mm256_andnot_si256(a_sep, a));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i + 32), _mm256_andnot_si256(b_sep, b));
        counters = _mm256_sub_epi8(_mm256_sub_epi8(counters, a_sep), b_sep);
        before = m >> 63;
        if (++chunks == 127) {
            *count += sum_bytes_avx2(counters);
            counters = _mm256_setzero_si256();
            chunks = 0;
        }
    }
    *count += sum_bytes_avx2(counters);
    *nul_before = before != 0;
    return i;
}
#endif

// The front that this program and processor run best; 0 bytes without one.
inline std::size_t split_front([[maybe_unused]] char *out, [[maybe_unused]] const char *in,
                               [[maybe_unused]] std::size_t n, [[maybe_unused]] char separator,
                               [[maybe_unused]] std::size_t *count, [[maybe_unused]] bool *nul_before) noexcept
{
#if MSTRING_SPLIT_AVX2
    if (__builtin_cpu_supports("avx2"))
        return split_chunks_avx2(out, in, n, separator, count, nul_before);
#endif
#if defined(__SSE2__)
    return split_chunks(out, in, n, separator, count, nul_before);
#else
    return 0;
#endif
}

// What list::from takes: ---------------------------------------------------

template <class T>
using bare = std::remove_cv_t<std::remove_reference_t<T>>;

// A C string, which a null pointer ends a vector of.
template <class E>
inline constexpr bool is_c_string = std::is_same_v<bare<E>, char *> || std::is_same_v<bare<E>, const char *>;
// An array of char, whose string ends at its first NUL or at its end.
template <class E>
inline constexpr bool is_char_array = std::is_array_v<bare<E>> && std::extent_v<bare<E>> != 0 &&
                                      std::is_same_v<std::remove_cv_t<std::remove_extent_t<bare<E>>>, char>;
// One string: a C string, an array of char, or anything that converts to
// std::string_view (std::string, std::string_view) but a null pointer.
template <class E>
inline constexpr bool is_string = is_c_string<E> || is_char_array<E> ||
                                  (std::is_convertible_v<E &, std::string_view> && !std::is_null_pointer_v<bare<E>>);

// begin and end as a range-for finds them.
#if MSTRING_CONCEPTS
template <class R>
auto begin_of(R &r) noexcept(noexcept(std::ranges::begin(r))) -> decltype(std::ranges::begin(r))
{
    return std::ranges::begin(r);
}
template <class R>
auto end_of(R &r) noexcept(noexcept(std::ranges::end(r))) -> decltype(std::ranges::end(r))
{
    return std::ranges::end(r);
}
#else
// A member begin() or end() first, as C++20's std::ranges::begin takes it,
// else std::begin (arrays) or one that argument-dependent lookup finds.
namespace adl {
using std::begin;
using std::end;
template <class R>
auto begin_by(R &r, int) noexcept(noexcept(r.begin())) -> decltype(r.begin())
{
    return r.begin();
}
template <class R>
auto begin_by(R &r, long) noexcept(noexcept(begin(r))) -> decltype(begin(r))
{
    return begin(r);
}
template <class R>
auto end_by(R &r, int) noexcept(noexcept(r.end())) -> decltype(r.end())
{
    return r.end();
}
template <class R>
auto end_by(R &r, long) noexcept(noexcept(end(r))) -> decltype(end(r))
{
    return end(r);
}
} // namespace adl
template <class R>
auto begin_of(R &r) noexcept(noexcept(adl::begin_by(r, 0))) -> decltype(adl::begin_by(r, 0))
{
    return adl::begin_by(r, 0);
}
template <class R>
auto end_of(R &r) noexcept(noexcept(adl::end_by(r, 0))) -> decltype(adl::end_by(r, 0))
{
    return adl::end_by(r, 0);
}
#endif

template <class R>
using iterator_of = decltype(begin_of(std::declval<R &>()));
template <class R>
using sentinel_of = decltype(end_of(std::declval<R &>()));
template <class R>
using element_of = decltype(*std::declval<iterator_of<R> &>());

// A range that can be read twice, with the same strings each time.
#if MSTRING_CONCEPTS
template <class R>
inline constexpr bool is_forward_range = std::ranges::forward_range<R &>;
#else
// The iterator's concept, as C++20 reads it, else its category.
template <class It, class = void>
inline constexpr bool forward_by_category = false;
template <class It>
inline constexpr bool forward_by_category<It, std::void_t<typename std::iterator_traits<It>::iterator_category>> =
    std::is_base_of_v<std::forward_iterator_tag, typename std::iterator_traits<It>::iterator_category>;
template <class It, class = void>
inline constexpr bool is_forward_iterator = forward_by_category<It>;
template <class It>
inline constexpr bool is_forward_iterator<It, std::void_t<typename It::iterator_concept>> =
    std::is_base_of_v<std::forward_iterator_tag, typename It::iterator_concept>;

template <class R, class = void>
inline constexpr bool is_forward_range = false;
template <class R>
inline constexpr bool is_forward_range<
    R, std::void_t<element_of<R>, decltype(++std::declval<iterator_of<R> &>()),
                   decltype(bool(std::declval<iterator_of<R> &>() != std::declval<sentinel_of<R> &>()))>> =
    is_forward_iterator<iterator_of<R>> && std::is_copy_constructible_v<iterator_of<R>> &&
    std::is_default_constructible_v<iterator_of<R>>;
#endif

template <class R, class = void>
inline constexpr bool is_range_of_strings = false;
template <class R>
inline constexpr bool is_range_of_strings<R, std::enable_if_t<is_forward_range<R>>> = is_string<element_of<R>>;

// A null-terminated vector such as argv: a pointer (never an array, whose
// length is known) to C strings, or a null pointer constant.
template <class P>
inline constexpr bool is_vector = (std::is_pointer_v<bare<P>> && is_c_string<std::remove_pointer_t<bare<P>>>) ||
                                  std::is_null_pointer_v<bare<P>>;

enum class taken { range, vector, one_string, refused };
template <class R>
inline constexpr taken from_takes = is_string<R> ? taken::one_string
                                    : is_vector<R>          ? taken::vector
                                    : is_range_of_strings<R> ? taken::range
                                                            : taken::refused;

} // namespace detail

/*
 * The strings of a multi-string, in order, as views into its bytes; they
 * stay valid as long as the multi-string stays where it is.  A multi-string
 * always yields at least one string (the first may be empty); a view of a
 * null pointer is an empty range.  A view of a list knows the list's size
 * and finds its strings' ends 64 bytes at a time; a view of a bare pointer
 * measures each string as it steps, a whole iteration reading the bytes
 * once.
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
            if (end_ == 0)
                cur_ = *next != '\0' ? std::string_view(next) : std::string_view();
            else if (reinterpret_cast<std::uintptr_t>(next) + 1 == end_)
                cur_ = std::string_view();
            else
                cur_ = std::string_view(next, static_cast<std::size_t>(next_nul() - next));
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
        // The first string of a multi-string of unknown size.
        explicit iterator(const char *s) noexcept : cur_(s) {}
        // The first string of the size bytes at s.
        iterator(const char *s, std::size_t size) noexcept
            : end_(reinterpret_cast<std::uintptr_t>(s) + size),
              block_(reinterpret_cast<std::uintptr_t>(s) & ~std::uintptr_t(63)),
              nuls_(detail::nul_bits(block_, reinterpret_cast<std::uintptr_t>(s), end_))
        {
            cur_ = std::string_view(s, static_cast<std::size_t>(next_nul() - s));
        }

        // The first NUL behind the current string's, from the bits of the
        // blocks up to end_, where the final NUL is.
        const char *next_nul() noexcept
        {
            while (nuls_ == 0) {
                block_ += 64;
                nuls_ = detail::nul_bits(block_, block_, end_);
            }
            const char *nul = reinterpret_cast<const char *>(block_ + detail::lowest_bit(nuls_));
            nuls_ &= nuls_ - 1;
            return nul;
        }

        std::string_view cur_; // the current string; a null data() at the end
        // With a known size: the address behind the final NUL, the 64-byte
        // block holding the current string's NUL, and a bit for each NUL
        // behind that one in the block.  end_ is 0 for an unknown size.
        std::uintptr_t end_ = 0;
        std::uintptr_t block_ = 0;
        std::uint64_t nuls_ = 0;
    };

    view() noexcept = default;
    explicit view(const char *ms) noexcept : ms_(ms) {}

    iterator begin() const noexcept
    {
        return ms_ == nullptr ? iterator() : size_ != 0 ? iterator(ms_, size_) : iterator(ms_);
    }
    iterator end() const noexcept { return iterator(); }

    bool empty() const noexcept { return ms_ == nullptr; }
    // The first string; an empty string_view for an empty view.
    std::string_view front() const noexcept { return *begin(); }
    const char *data() const noexcept { return ms_; }
    // mstrsize (kept, for a list's view) and mstrcount; 0 for an empty
    // view, and a count of -1 past INT_MAX strings, as mstrcount's.
    std::size_t bytes() const noexcept { return size_ != 0 ? size_ : ms_ != nullptr ? mstrsize(ms_) : 0; }
    int count() const noexcept { return ms_ != nullptr ? mstrcount(ms_) : 0; }

    // The same strings in the same order: the same bytes through the final
    // NUL.  An empty view equals only an empty view or list.
    friend bool operator==(const view &a, const view &b) noexcept
    {
        return detail::same(a.ms_, a.bytes(), b.ms_, b.bytes());
    }
    friend bool operator!=(const view &a, const view &b) noexcept { return !(a == b); }

private:
    friend class list;
    view(const char *ms, std::size_t size) noexcept : ms_(ms), size_(size) {}

    const char *ms_ = nullptr;
    std::size_t size_ = 0; // of the multi-string, when known; else 0
};

// Releases what malloc gave: a list's block, argv()'s vector.
struct free_deleter {
    void operator()(void *p) const noexcept { std::free(p); }
};

// Why a list's last call that could fail did: failed() after push_back,
// reserve, from or split.
enum class failure : unsigned char {
    none,      // it did not fail (an empty list from from or split: no strings)
    nul,       // a string holds a NUL, which would end it early
    no_memory, // the heap refused, or the size would pass SIZE_MAX
    changed,   // from: the range gave other strings on its second pass
};

/*
 * Owns one heap block holding a multi-string, or nothing.  The list keeps
 * the multi-string's size, its number of strings and the block's
 * capacity, so appending costs time for the appended string alone: the
 * block grows by doubling, through realloc, and may hold room to spare
 * behind the final NUL.  After every call get() is a well-formed
 * multi-string, or null while the list holds no string, and can be handed
 * to any function that reads one; writes through get() may change bytes
 * but must neither write nor overwrite a NUL.  Every block comes from
 * malloc or realloc: any block this library returns can be adopted, and
 * release() hands it back for free().
 */
class list {
public:
    // An element of a braced list: a string, or a null char pointer, which
    // ends the strings as in argv.
    class arg {
    public:
        arg(const char *s) noexcept : s_(s != nullptr ? std::string_view(s) : std::string_view()), null_(s == nullptr) {}
        template <class S, std::enable_if_t<std::is_convertible_v<const S &, std::string_view> &&
                                                !std::is_convertible_v<const S &, const char *>,
                                            int> = 0>
        arg(const S &s) noexcept(noexcept(std::string_view(s))) : s_(s) {}

    private:
        friend class list;
        std::string_view s_;
        bool null_ = false;
    };

    list() noexcept = default; // holds no multi-string yet
    // Adopts block (for instance mkmstrv's result), measuring and counting
    // it once; null gives an empty list.
    explicit list(char *block) noexcept
        : block_(block), size_(block != nullptr ? mstrsize(block) : 0), room_(size_),
          count_(block != nullptr ? count_of(block, size_) : 0) {}

    list(list &&o) noexcept
        : block_(std::move(o.block_)), size_(std::exchange(o.size_, 0)), room_(std::exchange(o.room_, 0)),
          count_(std::exchange(o.count_, 0)), failed_(std::exchange(o.failed_, failure::none)) {}
    list &operator=(list &&o) noexcept
    {
        list(std::move(o)).swap(*this); // the old block goes with the temporary
        return *this;
    }

    void swap(list &o) noexcept
    {
        block_.swap(o.block_);
        std::swap(size_, o.size_);
        std::swap(room_, o.room_);
        std::swap(count_, o.count_);
        std::swap(failed_, o.failed_);
    }
    friend void swap(list &a, list &b) noexcept { a.swap(b); }

    /*
     * A list of the strings of a range: a std::vector<std::string>, a range
     * of std::string_view, an array of char pointers, a view that makes
     * std::strings as it goes; or of a null-terminated vector such as argv,
     * by pointer; or of a braced list.  All strings are measured first,
     * then the block is allocated once and the strings copied; it holds
     * the bytes mkmstrv gives for the same strings.  C strings that lie
     * back to back, as argv's do, are copied in one piece.  A null char
     * pointer ends the strings, as in argv.  An empty list comes back when
     * there are no strings (failed() is failure::none), when one holds a
     * NUL (failure::nul, see push_back), when the heap refuses
     * (failure::no_memory) and when the second pass over the range gives
     * other strings than the first did (failure::changed): the copy never
     * writes past what the first pass measured.  Each element is read once
     * per pass and kept alive while it is read.  noexcept when reading the
     * range cannot throw; when it does, the exception passes through and
     * nothing stays allocated.
     */
    MSTRING_TEMPLATE_IF(R, detail::from_takes<R> == detail::taken::range)
    [[nodiscard]] static list from(R &&strings) noexcept(nothrow_range<R>)
    {
        return build(detail::begin_of(strings), detail::end_of(strings));
    }
    MSTRING_TEMPLATE_IF(P, detail::from_takes<P> == detail::taken::vector)
    [[nodiscard]] static list from(P &&v) noexcept
    {
        const char *const *p = v;
        return p != nullptr ? build(p, no_end()) : list();
    }
    [[nodiscard]] static list from(std::initializer_list<arg> strings) noexcept
    {
        return build(strings.begin(), strings.end());
    }
    // Refused: a range of anything but strings, a range that may be read
    // only once (such as std::istream_iterator's), and one string.
    MSTRING_TEMPLATE_IF(R, detail::from_takes<R> == detail::taken::refused)
    static list from(R &&) = delete; // from() takes a forward range of strings (two passes) or a char ** vector
    MSTRING_TEMPLATE_IF(S, detail::from_takes<S> == detail::taken::one_string)
    static list from(S &&) = delete; // from() takes a range of strings, and this is one string: push_back it, or split it

    /*
     * The strings of a buffer of known length in which each one ends at
     * separator: /proc/PID/environ or cmdline, find -print0 output (both
     * with the default, NUL), "a:b:c" with ':'.  Reads buffer's bytes and
     * no others, once, copying them as it finds the strings; the last
     * string needs no separator behind it, and one there ends it rather
     * than starting an empty string.  As in mkmstrv, an empty string is
     * kept first and dropped anywhere else: "::a" gives "" and "a".  An
     * empty buffer gives an empty list with failure::none; a NUL in the
     * buffer with another separator gives an empty list with failure::nul.
     * The block is allocated once, at the buffer's size plus 2, so dropped
     * strings leave room to spare that release() gives back.  This is the
     * way in for bytes from files, pipes and other processes; the C
     * functions assume a well-formed multi-string.
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
        const char *in = buffer.data();
        std::size_t count = 0, i = 0;
        bool nul_before = false; // the byte before i was a separator
        i = detail::split_front(p, in, n, separator, &count, &nul_before);
        // From the first empty string on, byte by byte, dropping them.
        std::size_t out = i;
        for (; i < n; ++i) {
            const char c = in[i] != separator ? in[i] : '\0';
            if (c == '\0' && nul_before)
                continue;
            p[out++] = c;
            nul_before = c == '\0';
            count += nul_before;
        }
        if (!nul_before) { // the last string's NUL
            p[out++] = '\0';
            ++count;
        }
        p[out++] = '\0'; // the final NUL
        l.size_ = out;
        l.count_ = count;
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

    // Empties the list and keeps the block for the strings to come.
    void clear() noexcept { size_ = count_ = 0; }

    /*
     * Views into the block: not of a temporary list, whose block dies at
     * the end of the statement, so that for (auto s : list::from(v).strings())
     * and std::string_view f = list::from(v).front() do not compile.  A
     * range-for over a temporary list itself is safe (it binds the list),
     * as are range adaptors over one (which own it).
     */
    view strings() const & noexcept MSTRING_LIFETIMEBOUND { return view(get(), size_); }
    view strings() const && = delete;
    operator view() const & noexcept MSTRING_LIFETIMEBOUND { return strings(); }
    operator view() const && = delete;
    view::iterator begin() const & noexcept MSTRING_LIFETIMEBOUND { return strings().begin(); }
    view::iterator begin() const && = delete;
    view::iterator end() const & noexcept MSTRING_LIFETIMEBOUND { return view::iterator(); }
    view::iterator end() const && = delete;
    // The first string; an empty string_view for an empty list.
    std::string_view front() const & noexcept MSTRING_LIFETIMEBOUND { return *begin(); }
    std::string_view front() const && = delete;

    bool empty() const noexcept { return size_ == 0; }
    explicit operator bool() const noexcept { return size_ != 0; }
    // The number of strings, kept by the list; 0 when empty.
    std::size_t size() const noexcept { return count_; }
    // The same as an int, as mstrcount gives it: -1 past INT_MAX strings.
    int count() const noexcept { return count_ <= INT_MAX ? static_cast<int>(count_) : -1; }
    // The multi-string's size, kept by the list; 0 when empty.
    std::size_t bytes() const noexcept { return size_; }
    // The block's size, which bytes() may grow to without a request.
    std::size_t capacity() const noexcept { return room_; }
    failure failed() const noexcept { return failed_; }

    // The multi-string, null while the list holds no string.  Callable on
    // a temporary, for a call within the same statement:
    // mstrcount(list::from(v).get()).
    const char *get() const noexcept MSTRING_LIFETIMEBOUND { return size_ != 0 ? block_.get() : nullptr; }
    char *get() noexcept MSTRING_LIFETIMEBOUND { return size_ != 0 ? block_.get() : nullptr; }
    const char *data() const noexcept MSTRING_LIFETIMEBOUND { return get(); }
    char *data() noexcept MSTRING_LIFETIMEBOUND { return get(); }

    /*
     * A vector for execv and execve: the strings' addresses in the block,
     * in order, then a null pointer, in one block from malloc that the
     * returned owner frees.  It points into the list and is valid while
     * the list is unchanged; an empty list gives a vector holding the null
     * pointer alone.  A null owner when the heap refuses.  Not of a
     * temporary list.  A const list gives pointers to const char, which
     * cannot write into it; execv takes them through a const_cast, as it
     * writes nothing:
     *     if (auto v = list.argv()) execv(path, v.get());
     */
    [[nodiscard]] std::unique_ptr<char *[], free_deleter> argv() & noexcept MSTRING_LIFETIMEBOUND
    {
        return vector<char>();
    }
    [[nodiscard]] std::unique_ptr<const char *[], free_deleter> argv() const & noexcept MSTRING_LIFETIMEBOUND
    {
        return vector<const char>();
    }
    void argv() const && = delete;

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
        size_ = room_ = count_ = 0;
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
        ++count_;
        return true;
    }

    // The number of strings of the size bytes at ms: mstrcount's, or past
    // INT_MAX the NULs before the final one.
    static std::size_t count_of(const char *ms, std::size_t size) noexcept
    {
        if (int c = mstrcount(ms); c >= 0)
            return static_cast<std::size_t>(c);
        std::size_t n = 0;
        for (const char *p = ms, *end = ms + size - 1; p < end; ++n)
            p = static_cast<const char *>(std::memchr(p, '\0', static_cast<std::size_t>(end - p))) + 1;
        return n;
    }

    // The vector argv() gives, of pointers to Char.
    template <class Char>
    std::unique_ptr<Char *[], free_deleter> vector() const noexcept
    {
        if (count_ >= SIZE_MAX / sizeof(Char *))
            return nullptr;
        Char **v = static_cast<Char **>(std::malloc((count_ + 1) * sizeof(Char *)));
        if (v == nullptr)
            return nullptr;
        Char **out = v;
        for (std::string_view s : strings())
            *out++ = block_.get() + (s.data() - block_.get()); // a char * even from a const list
        *out = nullptr;
        return std::unique_ptr<Char *[], free_deleter>(v);
    }

    // Reading one element of a range for from(): whether it ends the
    // strings (a null C string), and its string.
    template <class E>
    static bool ends(const E &e) noexcept
    {
        if constexpr (detail::is_c_string<E>)
            return e == nullptr;
        else if constexpr (std::is_same_v<E, arg>)
            return e.null_;
        else
            return false;
    }
    template <class E>
    static constexpr bool nothrow_string_of() noexcept
    {
        if constexpr (detail::is_c_string<E> || detail::is_char_array<E> || std::is_same_v<E, const arg>)
            return true;
        else
            return noexcept(static_cast<std::string_view>(std::declval<E &>()));
    }
    template <class E>
    static std::string_view string_of(E &e) noexcept(nothrow_string_of<E>())
    {
        if constexpr (detail::is_char_array<E>) {
            const void *nul = std::memchr(e, '\0', sizeof e);
            return std::string_view(e, nul != nullptr ? static_cast<std::size_t>(static_cast<const char *>(nul) - e)
                                                      : sizeof e);
        } else if constexpr (std::is_same_v<E, const arg>) {
            return e.s_;
        } else {
            return static_cast<std::string_view>(e);
        }
    }
    // Whether everything from() does with the range R is noexcept.
    template <class R, class It = detail::iterator_of<R>, class End = detail::sentinel_of<R>>
    static constexpr bool nothrow_range =
        noexcept(detail::begin_of(std::declval<R &>())) && noexcept(detail::end_of(std::declval<R &>())) &&
        std::is_nothrow_copy_constructible_v<It> && std::is_nothrow_move_constructible_v<End> &&
        std::is_nothrow_destructible_v<It> && noexcept(++std::declval<It &>()) &&
        noexcept(bool(std::declval<It &>() != std::declval<End &>())) &&
        noexcept(string_of(std::declval<std::remove_reference_t<detail::element_of<R>> &>())) &&
        std::is_nothrow_destructible_v<std::remove_reference_t<detail::element_of<R>>>;

    // The end of a null-terminated vector, which its null reaches first.
    struct no_end {
        friend bool operator!=(const char *const *, no_end) noexcept { return true; }
    };

    // Two passes over the range: the first measures every string, the
    // second copies them into the block allocated between the two.
    template <class It, class End>
    static list build(It first, End last)
    {
        // C strings that lie back to back, each just behind the NUL of the
        // one before, as argv's and environ's do, are one run of bytes:
        // unless an empty string among them must be dropped, one memcpy
        // copies them all, from where the first pass found them.
        constexpr bool c_strings = detail::is_c_string<decltype(*first)>;
        bool one_run = c_strings;
        const char *run = nullptr, *run_end = nullptr;
        // The size: 1 for the final NUL, then each string with its NUL; an
        // empty string counts only while no string stands before it.
        std::size_t size = 1, count = 0;
        list l;
        for (It it = first; it != last; ++it) {
            auto &&e = *it;
            if (ends(e))
                break;
            const std::string_view s = string_of(e);
            if (s.size() > SIZE_MAX - 1 - size) {
                l.failed_ = failure::no_memory;
                return l;
            }
            if (!s.empty() || size == 1) {
                size += s.size() + 1;
                ++count;
            } else {
                one_run = false;
            }
            if constexpr (c_strings) {
                one_run = one_run && (run == nullptr || s.data() == run_end);
                run = run != nullptr ? run : s.data();
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
        if (one_run) {
            std::memcpy(start, run, size - 1);
        } else {
            l.failed_ = copy_each(start, size - 1, first, last, &count);
            if (l.failed_ != failure::none) {
                l.block_.reset();
                return l;
            }
        }
        start[size - 1] = '\0';
        l.size_ = l.room_ = size;
        l.count_ = count;
        return l;
    }

    // Copies the strings to start, each with its NUL, but for an empty
    // string after the first, and sets *count to their number.  They must
    // fill the room bytes exactly, and hold no NUL, else nothing more is
    // written and the failure is returned.
    template <class It, class End>
    static failure copy_each(char *const start, const std::size_t room, It first, End last, std::size_t *count)
    {
        char *out = start;
        std::size_t left = room, n = 0;
        for (It it = first; it != last; ++it) {
            auto &&e = *it;
            if (ends(e))
                break;
            const std::string_view s = string_of(e);
            if (s.empty() && out != start)
                continue;
            if (s.size() >= left)
                return failure::changed; // s and its NUL would not fit
            if (!detail::is_c_string<decltype(e)> && !s.empty() && std::memchr(s.data(), '\0', s.size()) != nullptr)
                return failure::nul;
            if (!s.empty()) // its data() may be null, which memcpy may not get
                std::memcpy(out, s.data(), s.size());
            out[s.size()] = '\0';
            out += s.size() + 1;
            left -= s.size() + 1;
            ++n;
        }
        *count = n;
        return left == 0 ? failure::none : failure::changed;
    }

    std::unique_ptr<char, free_deleter> block_; // null, or room_ bytes
    std::size_t size_ = 0;  // of the multi-string, through its final NUL; 0: no strings
    std::size_t room_ = 0;  // of the block
    std::size_t count_ = 0; // of its strings
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

#undef MSTRING_CONCEPTS
#undef MSTRING_SPLIT_AVX2
#undef MSTRING_TEMPLATE_IF
#undef MSTRING_LIFETIMEBOUND

#endif /* MSTRING_HPP */
