// SPDX-License-Identifier: MIT
#include "model.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "capture.h"
#include "heap.h"
#include "mstring.h"
#include "mstring.hpp"

namespace model {
namespace {

using Strings = std::vector<std::string>;

// The multi-string holding strings, byte for byte.
std::string bytes_of(const Strings &strings)
{
    std::string out;
    for (const std::string &s : strings)
        out.append(s).push_back('\0');
    out.push_back('\0');
    return out;
}

// Only the first string can be empty: appending "" leaves no trace.
void append(Strings &strings, const std::string &s)
{
    if (!s.empty())
        strings.push_back(s);
}

// Pushing s to a list that may have no strings yet: the first string is
// kept even when empty.
void push(Strings &strings, const std::string &s)
{
    if (strings.empty())
        strings.push_back(s);
    else
        append(strings, s);
}

// Offset of string n, for n from 1 to the count + 1 (the final NUL).
std::size_t offset_of(const Strings &strings, int n)
{
    std::size_t offset = 0;
    for (int i = 1; i < n; ++i)
        offset += strings[static_cast<std::size_t>(i - 1)].size() + 1;
    return offset;
}

// String n, for n from 1 to the count + 1 (the empty string at the end).
std::string string_at(const Strings &strings, int n)
{
    return static_cast<std::size_t>(n) <= strings.size() ? strings[static_cast<std::size_t>(n - 1)] : "";
}

struct Request {
    char kind; // 'm' malloc, 'r' realloc
    std::size_t size;
    bool operator==(const Request &o) const { return kind == o.kind && size == o.size; }
};
using Requests = std::vector<Request>;

std::string show(const Requests &requests)
{
    std::string out;
    for (const Request &r : requests)
        out += std::string(1, r.kind) + "(" + std::to_string(r.size) + ") ";
    return out;
}

// A list as both sides hold it.  The library's block is always the
// multi-string followed by NULs up to its capacity: every way of making
// a block NUL-fills its room or has none.
struct List {
    Strings strings{""};
    char *block = nullptr; // null until the slot is first filled
    std::size_t capacity = 0;
};

// An mstring::list as both sides hold it: the list, its strings (none
// while it holds none) and the size of its block (0: none).
struct CxxList {
    mstring::list list;
    Strings strings;
    std::size_t room = 0;
};

constexpr int kLists = 4;
// Lists past these limits are started afresh, which keeps runs fast.
constexpr std::size_t kMaxSize = 4096;
constexpr std::size_t kMaxCount = 48;

class Driver {
public:
    Driver(Source &source, const Readers &readers) : src_(source), read_(readers) {}
    ~Driver()
    {
        for (List &l : lists_)
            std::free(l.block);
    }
    Driver(const Driver &) = delete;
    Driver &operator=(const Driver &) = delete;

    // Runs one operation and checks every list; false on a disagreement.
    bool step(long op);
    const std::string &failure() const { return failure_; }

private:
    bool fail(const std::string &why)
    {
        if (failure_.empty())
            failure_ = "operation " + std::to_string(op_) + " (" + what_ + "): " + why;
        return false;
    }
    bool check(const List &l, int which);
    bool heap(const heap::Recording &rec, const Requests &want, int fail_at, long live);
    bool new_block(const heap::Recording &rec, const Requests &want, int fail_at, bool made, char *block);
    int fault(std::size_t requests);
    std::string random_string();
    std::string maybe_nul(std::string s);
    void replace(List &l, Strings strings, char *block, std::size_t capacity);

    bool init(List &l, bool room);
    bool add(List &l, bool own, bool in_place);
    bool copy(const List &l);
    bool dup(const List &l, List &to);
    bool build(List &l, bool vector);
    bool index(const List &l);
    bool print_one(const List &l);
    bool print_all(const List &l);
    bool check_cxx(CxxList &c, int which);
    bool cxx_step();
    bool cxx_push(CxxList &c);
    bool cxx_from(CxxList &c, const CxxList &other);
    bool cxx_split(CxxList &c);
    bool cxx_reserve(CxxList &c);
    bool cxx_exchange(unsigned how);
    bool cxx_release(CxxList &c);
    bool cxx_adopt(CxxList &c);

    Source &src_;
    const Readers &read_;
    List lists_[kLists];
    CxxList cxx_[2];
    Capture capture_;
    long op_ = 0;
    std::string what_;
    std::string failure_;
};

std::string Driver::random_string()
{
    unsigned kind = src_.pick(16);
    std::size_t len = kind < 3 ? 0 : kind < 13 ? 1 + src_.pick(8) : kind < 15 ? src_.pick(64) : 64 + src_.pick(256);
    std::string s(len, '\0');
    for (char &c : s)
        c = static_cast<char>(1 + src_.pick(255));
    return s;
}

// Now and then s with a NUL put in, as often behind its last byte as
// anywhere else.
std::string Driver::maybe_nul(std::string s)
{
    if (src_.pick(6) == 0)
        s.insert(src_.pick(2) != 0 ? s.size() : src_.pick(256) % (s.size() + 1), 1, '\0');
    return s;
}

// Mostly 0 (no refusal); sometimes which of the requests to refuse.
int Driver::fault(std::size_t requests)
{
    if (requests == 0 || src_.pick(8) != 0)
        return 0;
    return 1 + static_cast<int>(src_.pick(static_cast<unsigned>(requests)));
}

void Driver::replace(List &l, Strings strings, char *block, std::size_t capacity)
{
    std::free(l.block);
    l.strings = std::move(strings);
    l.block = block;
    l.capacity = capacity;
}

bool Driver::check(const List &l, int which)
{
    if (l.block == nullptr)
        return true;
    std::string want = bytes_of(l.strings);
    std::size_t size = want.size();
    want.resize(l.capacity, '\0');
    std::string where = "list " + std::to_string(which) + ": ";
    if (std::string(l.block, l.capacity) != want)
        return fail(where + "bytes differ from the model");
    if (read_.size(l.block) != size)
        return fail(where + "mstrsize " + std::to_string(read_.size(l.block)) + ", want " + std::to_string(size));
    if (read_.count(l.block) != static_cast<int>(l.strings.size()))
        return fail(where + "mstrcount " + std::to_string(read_.count(l.block)) + ", want " +
                    std::to_string(l.strings.size()));
    return true;
}

// The requests one call made against want, the ones it should make (want
// is built before the recording starts: the log takes every malloc); a
// call refused at request fail_at makes only the ones up to it.  live is
// the number of blocks the call should have left allocated.  A realloc of
// null is a malloc (and the compiler may make it one).
bool Driver::heap(const heap::Recording &rec, const Requests &want, int fail_at, long live)
{
    Requests got;
    for (const heap::Call &c : rec.calls())
        if (c.kind != 'f')
            got.push_back(Request{c.ptr == nullptr ? 'm' : c.kind, c.size});
    Requests made(want.begin(), want.begin() + (fail_at != 0 ? fail_at : static_cast<int>(want.size())));
    if (got != made)
        return fail("heap requests " + show(got) + "want " + show(made));
    if (rec.live() != live)
        return fail("blocks left allocated " + std::to_string(rec.live()) + ", want " + std::to_string(live));
    return true;
}

// Checks a call that returns a new block: its heap requests, and a block
// exactly when one was due (made), which is then the one live allocation.
bool Driver::new_block(const heap::Recording &rec, const Requests &want, int fail_at, bool made, char *block)
{
    if (!heap(rec, want, fail_at, made ? 1 : 0))
        return false;
    if ((block != nullptr) != made) {
        std::free(block);
        return fail(made ? "null result" : "a block where null was due");
    }
    return true;
}

bool Driver::init(List &l, bool room)
{
    std::string s = random_string();
    std::size_t size = 0;
    switch (room ? 1 : src_.pick(5)) {
    case 0:
        break;
    case 1:
    case 2: // room to spare, for adding in place
        size = s.size() + 2 + src_.pick(256);
        break;
    case 3: // too small for s, which is cut to fit
        size = 2 + src_.pick(static_cast<unsigned>(s.size() < 255 ? s.size() + 1 : 255));
        break;
    default: // 0 again, or 1: refused without a request
        size = src_.pick(2);
        break;
    }
    what_ = "mstrinit(" + std::to_string(s.size()) + " bytes, " + std::to_string(size) + ")";
    std::size_t capacity = size == 0 ? s.size() + 2 : size;
    Requests want;
    if (size != 1)
        want.push_back({'m', capacity});
    int fail_at = fault(want.size());
    heap::Recording rec(fail_at);
    char *block = mstrinit(s.c_str(), size);
    bool made = size != 1 && fail_at == 0;
    if (!new_block(rec, want, fail_at, made, block))
        return false;
    if (made)
        replace(l, {s.substr(0, capacity - 2)}, block, capacity);
    return true;
}

bool Driver::add(List &l, bool own, bool in_place)
{
    std::size_t size = bytes_of(l.strings).size();
    int n = 1 + static_cast<int>(src_.pick(static_cast<unsigned>(l.strings.size() + 1)));
    std::string s = own ? string_at(l.strings, n) : random_string();
    const char *arg = own ? l.block + offset_of(l.strings, n) : s.c_str();
    if (in_place && l.capacity < size + s.size() + 1)
        return init(l, true); // no room: make a list that has some
    what_ = std::string(in_place ? "mstradd" : "mstradd_r") + " of " +
            (own ? "own string " + std::to_string(n) : "a string") + " of " + std::to_string(s.size()) + " bytes";
    if (in_place) {
        char *r = mstradd(l.block, arg);
        if (r != l.block)
            return fail("returned another address");
        append(l.strings, s);
        return true;
    }
    std::size_t needed = size + s.size() + 1;
    const Requests want{{'r', needed}};
    int fail_at = fault(1);
    bool moving = src_.pick(2) != 0;
    char *const old = l.block;
    heap::Recording rec(fail_at, moving);
    char *r = mstradd_r(&l.block, arg);
    if (!heap(rec, want, fail_at, 0))
        return false;
    if (fail_at != 0) {
        if (r != nullptr || l.block != old)
            return fail("a refused realloc changed the result or the caller's pointer");
        return true;
    }
    if (r == nullptr || r != l.block)
        return fail("result differs from the caller's pointer");
    append(l.strings, s);
    l.capacity = needed;
    return true;
}

bool Driver::copy(const List &l)
{
    std::size_t size = bytes_of(l.strings).size();
    std::string dst(size + src_.pick(16), '\0');
    for (char &c : dst)
        c = static_cast<char>(1 + src_.pick(255));
    std::string want = bytes_of(l.strings) + dst.substr(size);
    what_ = "mstrcpy";
    if (mstrcpy(&dst[0], l.block) != &dst[0])
        return fail("returned another address");
    if (dst != want)
        return fail("copy differs, or bytes behind it changed");
    return true;
}

bool Driver::dup(const List &l, List &to)
{
    std::size_t size = bytes_of(l.strings).size();
    what_ = "mstrdup";
    const Requests want{{'m', size}};
    int fail_at = fault(1);
    heap::Recording rec(fail_at);
    char *d = mstrdup(l.block);
    if (!new_block(rec, want, fail_at, fail_at == 0, d))
        return false;
    if (d != nullptr)
        replace(to, l.strings, d, size);
    return true;
}

bool Driver::build(List &l, bool vector)
{
    std::vector<std::string> strings(src_.pick(9));
    for (std::string &s : strings)
        s = random_string();
    char *args[10] = {};
    for (std::size_t i = 0; i < strings.size(); ++i)
        args[i] = &strings[i][0];
    Strings result;
    Requests want;
    std::size_t size = 1; // a final NUL alone
    for (const std::string &s : strings) {
        want.push_back({want.empty() ? 'm' : 'r', size + s.size() + 1});
        push(result, s);
        size = bytes_of(result).size();
    }
    what_ = std::string(vector ? "mkmstrv" : "mkmstrl") + " of " + std::to_string(strings.size()) + " strings";
    int fail_at = fault(want.size());
    heap::Recording rec(fail_at);
    char *b = vector ? mkmstrv(args)
                     : mkmstrl(args[0], args[1], args[2], args[3], args[4], args[5], args[6], args[7], args[8],
                               static_cast<char *>(nullptr));
    bool made = !strings.empty() && fail_at == 0;
    if (!new_block(rec, want, fail_at, made, b))
        return false;
    if (made)
        replace(l, result, b, want.back().size);
    return true;
}

bool Driver::index(const List &l)
{
    int count = static_cast<int>(l.strings.size());
    what_ = "mstrindex";
    for (int n = -2; n <= count + 3; ++n) {
        const char *got = read_.index(l.block, n);
        bool exists = n >= 1 && n <= count + 1;
        if (!exists && got != nullptr)
            return fail("index " + std::to_string(n) + " gave offset " + std::to_string(got - l.block) + ", want null");
        if (exists && got != l.block + offset_of(l.strings, n))
            return fail("index " + std::to_string(n) + " gave " +
                        (got == nullptr ? "null" : "offset " + std::to_string(got - l.block)) + ", want offset " +
                        std::to_string(offset_of(l.strings, n)));
    }
    return true;
}

bool Driver::print_one(const List &l)
{
    int count = static_cast<int>(l.strings.size());
    int n = static_cast<int>(src_.pick(static_cast<unsigned>(count + 6))) - 2;
    what_ = "putmss(" + std::to_string(n) + ")";
    int got = 0, want = n == 0 ? 0 : EOF;
    std::string text = capture_([&] { return putmss(l.block, n); }, &got);
    std::string want_text;
    if (n >= 1 && n <= count + 1) {
        std::string s = string_at(l.strings, n);
        want_text = capture_([&] { return std::puts(s.c_str()); }, &want);
    }
    if (text != want_text)
        return fail("printed text differs");
    if (got != want)
        return fail("result " + std::to_string(got) + ", want " + std::to_string(want));
    return true;
}

bool Driver::print_all(const List &l)
{
    what_ = "putms";
    int got = 0, want = 0;
    std::string text = capture_([&] { return putms(l.block); }, &got);
    std::string want_text = capture_(
        [&] {
            int sum = 0;
            for (const std::string &s : l.strings)
                sum += std::puts(s.c_str());
            return sum;
        },
        &want);
    if (text != want_text)
        return fail("printed text differs");
    if (got != want)
        return fail("result " + std::to_string(got) + ", want " + std::to_string(want));
    return true;
}

// The strings from() or push_back() give for strings: each one pushed.
Strings listed(const Strings &strings)
{
    Strings out;
    for (const std::string &s : strings)
        push(out, s);
    return out;
}

bool holds_nul(const Strings &strings)
{
    return std::any_of(strings.begin(), strings.end(), [](const std::string &s) { return s.find('\0') != s.npos; });
}

// The strings split() finds in buffer: each ends at separator, the last
// needs none, and an empty string after the first is dropped.
Strings split_model(std::string_view buffer, char separator)
{
    Strings out;
    std::string s;
    for (char c : buffer) {
        if (c != separator) {
            s.push_back(c);
        } else {
            push(out, s);
            s.clear();
        }
    }
    if (!buffer.empty() && buffer.back() != separator)
        push(out, s);
    return out;
}

// A forward range that makes each string as it is read, a std::string by
// value, as std::views::transform does.
class Making {
public:
    explicit Making(const Strings &strings) : strings_(&strings) {}
    class iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using iterator_concept = std::forward_iterator_tag;
        using value_type = std::string;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string;
        iterator() = default;
        iterator(const Strings *s, std::size_t i) : s_(s), i_(i) {}
        std::string operator*() const { return (*s_)[i_]; }
        iterator &operator++() { return ++i_, *this; }
        iterator operator++(int) { iterator old = *this; ++i_; return old; }
        bool operator==(const iterator &o) const { return i_ == o.i_; }
        bool operator!=(const iterator &o) const { return i_ != o.i_; }

    private:
        const Strings *s_ = nullptr;
        std::size_t i_ = 0;
    };
    iterator begin() const { return {strings_, 0}; }
    iterator end() const { return {strings_, strings_->size()}; }

private:
    const Strings *strings_;
};

bool Driver::check_cxx(CxxList &c, int which)
{
    const mstring::list &l = c.list;
    const std::string where = "C++ list " + std::to_string(which) + ": ";
    // Equal to a C list exactly when it holds the same strings.
    for (const List &other : lists_)
        if (other.block != nullptr && (l == mstring::view(other.block)) != (c.strings == other.strings))
            return fail(where + "== against a C list differs from the model");
    if (l.capacity() != c.room)
        return fail(where + "capacity() " + std::to_string(l.capacity()) + ", want " + std::to_string(c.room));
    if (l.size() != c.strings.size() || l.count() != static_cast<int>(c.strings.size()) ||
        l.empty() != c.strings.empty() || static_cast<bool>(l) == c.strings.empty())
        return fail(where + "size() " + std::to_string(l.size()) + ", count(), empty() or bool, want " +
                    std::to_string(c.strings.size()) + " strings");
    const mstring::view v = l; // a view that knows the size
    // The strings' addresses, then null, as pointers to char and, from a
    // const list, to const char.
    auto args = c.list.argv();
    auto const_args = l.argv();
    bool same = args != nullptr && const_args != nullptr;
    for (std::size_t i = 0, n = c.strings.size(); same && i <= n; ++i)
        same = args[i] == (i < n ? c.list.get() + offset_of(c.strings, static_cast<int>(i) + 1) : nullptr) &&
               const_args[i] == args[i];
    if (!same)
        return fail(where + "argv() differs from the model");
    if (c.strings.empty()) {
        if (l.get() != nullptr || l.data() != nullptr || l.bytes() != 0 || l.begin() != l.end() ||
            l.front().data() != nullptr || l != mstring::view() || !v.empty())
            return fail(where + "not empty");
        return true;
    }
    const std::string want = bytes_of(c.strings);
    if (l.get() == nullptr || l.data() != l.get() || l.bytes() != want.size() ||
        std::string(l.get(), want.size()) != want)
        return fail(where + "bytes differ from the model");
    if (read_.size(l.get()) != want.size() || read_.count(l.get()) != static_cast<int>(c.strings.size()))
        return fail(where + "mstrsize or mstrcount of get() differ from the model");
    // The strings by the list's iterators and by its view's, which find
    // the ends in blocks, and by a view of get(), which measures each.
    const mstring::view bare(l.get());
    if (Strings(l.begin(), l.end()) != c.strings || Strings(v.begin(), v.end()) != c.strings ||
        Strings(bare.begin(), bare.end()) != c.strings || l.front() != c.strings[0] || v.bytes() != want.size())
        return fail(where + "the strings iterated differ from the model");
    if (l != mstring::list::from(c.strings) || l != bare || v != l)
        return fail(where + "== against a copy differs from the model");
    return true;
}

// A view, a view into one of the list's strings, a C string or a
// std::string; a view or std::string holding a NUL is refused.  A push
// that does not fit grows the block to twice its size, or to the size
// needed if that is more; should twice its size be refused, to the size
// needed.
bool Driver::cxx_push(CxxList &c)
{
    const unsigned kind = src_.pick(4);
    const bool own = kind == 1 && !c.strings.empty();
    std::string s = kind == 2 ? random_string() : maybe_nul(random_string());
    std::string_view view = s;
    if (own) {
        int n = 1 + static_cast<int>(src_.pick(static_cast<unsigned>(c.strings.size())));
        const std::string &in = string_at(c.strings, n);
        std::size_t at = src_.pick(256) % (in.size() + 1);
        s = in.substr(at, src_.pick(256) % (in.size() - at + 1));
        view = std::string_view(c.list.get() + offset_of(c.strings, n) + at, s.size());
    }
    const bool refused = s.find('\0') != std::string::npos;
    const std::size_t size = c.list.bytes();
    const std::size_t needed = (size != 0 ? size - 1 : 0) + s.size() + 2;
    Requests want;
    if (!refused && (size == 0 || !s.empty()) && needed > c.room)
        want.push_back({c.room == 0 ? 'm' : 'r', std::max(needed, 2 * c.room)});
    static const char *const kinds[] = {"a view", "a view", "a C string", "a std::string"};
    what_ = std::string("list::push_back of ") + (own ? "a view of its own string" : kinds[kind]) + " of " +
            std::to_string(s.size()) + " bytes";
    const int refuse = fault(want.size());
    const bool retried = refuse == 1 && want[0].size > needed;
    const int fail_at = retried ? 0 : refuse;
    if (retried)
        want.push_back({'r', needed});
    const char *const block = c.list.get();
    heap::Recording rec(refuse, src_.pick(2) != 0);
    bool ok = kind == 2 ? c.list.push_back(s.c_str()) : kind == 3 ? c.list.push_back(s) : c.list.push_back(view);
    if (!heap(rec, want, fail_at, c.room == 0 && ok && !want.empty() ? 1 : 0))
        return false;
    if (ok != !(refused || fail_at != 0))
        return fail(ok ? "true where false was due" : "false where true was due");
    if (c.list.failed() !=
        (ok ? mstring::failure::none : refused ? mstring::failure::nul : mstring::failure::no_memory))
        return fail("failed() differs from the model");
    if (!ok)
        return c.list.get() == block || fail("a refused push changed the block");
    push(c.strings, s);
    if (!want.empty())
        c.room = want.back().size;
    return true;
}

// From every kind of range from() takes, in one allocation of exactly the
// multi-string's size, which is released again when the second pass finds
// a NUL or strings of another size.  An exception from the range passes
// through and leaves nothing allocated.
bool Driver::cxx_from(CxxList &c, const CxxList &other)
{
    enum { kStrings, kViews, kSeparate, kBackToBack, kSpaced, kArray, kRows, kBraced, kMaking, kList, kFickle, kKinds };
    static const char *const kinds[] = {"std::strings", "string views", "separate C strings", "back-to-back C strings",
                                        "spaced C strings", "an array of C strings", "an array of rows",
                                        "a braced list", "made strings", "another list", "a changing range"};
    const unsigned kind = src_.pick(kKinds);
    Strings strings(kind == kBraced ? 3 : kind == kRows ? 8 : src_.pick(9));
    for (std::string &s : strings) {
        s = kind == kStrings || kind == kViews || kind == kBraced ? maybe_nul(random_string()) : random_string();
        if (kind == kMaking || kind == kRows) // no allocation for a made string; a row holds 16 bytes
            s.resize(std::min<std::size_t>(s.size(), kind == kMaking ? 15 : 16));
    }
    if (kind == kList)
        strings = other.strings;
    // A braced list: a std::string, a view, and a C string or null.
    const bool null_third = kind == kBraced && src_.pick(2) != 0;
    if (kind == kBraced)
        strings[2] = null_third ? std::string() : std::string(strings[2].c_str());
    const std::vector<std::string_view> views(strings.begin(), strings.end());
    const std::size_t stride = kind == kSpaced ? 2 : 1; // from one C string to the next
    std::string pool;
    for (const std::string &s : strings)
        pool.append(s).append("\0#", stride);
    std::vector<const char *> args;
    for (std::size_t i = 0, at = 0; i < strings.size(); at += strings[i++].size() + stride)
        args.push_back(kind == kSeparate ? strings[i].c_str() : &pool[at]);
    args.push_back(nullptr);
    // Arrays of 8: pointers, null behind the strings (a const array too),
    // and rows of 16 bytes, where a string of 16 has no NUL.
    const char *array[8] = {};
    char rows[8][16] = {};
    for (std::size_t i = 0; i < strings.size() && i < 8; ++i) {
        array[i] = strings[i].c_str();
        std::memcpy(rows[i], strings[i].data(), std::min<std::size_t>(strings[i].size(), 16));
    }
    const char *const fixed[8] = {array[0], array[1], array[2], array[3], array[4], array[5], array[6], array[7]};
    // A range whose second pass gives a string longer, one shorter, both,
    // a string more or less, a NUL put in, or the same; or that throws at
    // one of its reads, the same both times.
    Passes passes{strings, strings};
    if (kind == kFickle && !strings.empty()) {
        Strings &second = passes.second;
        const unsigned change = src_.pick(7);
        std::string &s = second[src_.pick(static_cast<unsigned>(second.size()))];
        std::string &t = second[src_.pick(static_cast<unsigned>(second.size()))];
        if (change == 0 || change == 2)
            s.push_back('+');
        if ((change == 1 || change == 2) && !t.empty())
            t.pop_back();
        if (change == 3)
            second.push_back(random_string());
        if (change == 4)
            second.pop_back();
        if (change == 5 && !s.empty())
            s[src_.pick(static_cast<unsigned>(s.size()))] = '\0';
        if (change == 6 && src_.pick(2) != 0)
            passes.throw_at = 1 + src_.pick(static_cast<unsigned>(2 * strings.size()));
    }
    const Strings result = listed(Strings(strings.begin(), strings.end() - (null_third ? 1 : 0)));
    const std::size_t size = bytes_of(result).size();
    Requests want;
    if (!result.empty())
        want.push_back({'m', size});
    // What the second pass finds: the same strings, or other sizes, or a NUL.
    const Strings copied = kind == kFickle ? listed(passes.second) : result;
    mstring::failure second = mstring::failure::none;
    if (!result.empty() && bytes_of(copied).size() != size)
        second = mstring::failure::changed;
    else if (!result.empty() && holds_nul(copied))
        second = mstring::failure::nul;
    what_ = std::string("list::from of ") + std::to_string(strings.size()) + " " + kinds[kind];
    const bool by_pointer = kind == kSeparate || src_.pick(2) != 0; // else the vector as a range
    const int fail_at = fault(want.size());
    const std::size_t n = strings.size();
    const bool throws = passes.throw_at != 0 && (passes.throw_at <= n || (fail_at == 0 && passes.throw_at <= 2 * n));
    const bool thrown_first = throws && passes.throw_at <= n; // before the allocation
    const Requests made_requests = thrown_first ? Requests() : want;
    mstring::list made;
    bool thrown = false;
    heap::Recording rec(fail_at);
    try {
        switch (kind) {
        case kStrings: made = mstring::list::from(strings); break;
        case kViews: made = mstring::list::from(views); break;
        case kArray: made = by_pointer ? mstring::list::from(array) : mstring::list::from(fixed); break;
        case kRows: made = mstring::list::from(rows); break;
        case kBraced:
            made = mstring::list::from({strings[0], views[1], null_third ? nullptr : strings[2].c_str()});
            break;
        case kMaking: made = mstring::list::from(Making(strings)); break;
        case kList: made = mstring::list::from(other.list); break;
        case kFickle: made = mstring::list::from(Changing(passes)); break;
        default: made = by_pointer ? mstring::list::from(args.data()) : mstring::list::from(args); break;
        }
    } catch (const Thrown &) {
        thrown = true;
    }
    const bool kept = !throws && fail_at == 0 && second == mstring::failure::none && !result.empty();
    if (thrown != throws) {
        static_cast<void>(rec.live());
        return fail(thrown ? "an exception where none was due" : "no exception where one was due");
    }
    if (thrown) {
        // The exception's own block comes last, and is freed by now.
        std::vector<heap::Call> calls = rec.calls();
        long live = rec.live();
        Requests got;
        for (const heap::Call &call : calls)
            if (call.kind != 'f')
                got.push_back(Request{call.kind, call.size});
        if (got.empty() || (got.pop_back(), got != made_requests) || live != 0)
            return fail("heap requests " + show(got) + "and the exception's, want " + show(made_requests) +
                        ", blocks left allocated " + std::to_string(live));
        return true; // the list is as it was
    }
    if (!heap(rec, made_requests, thrown_first ? 0 : fail_at, kept ? 1 : 0))
        return false;
    if (made.failed() != (fail_at != 0 ? mstring::failure::no_memory : second))
        return fail("failed() differs from the model");
    c.list = std::move(made);
    c.strings = kept ? copied : Strings();
    c.room = kept ? size : 0;
    return true;
}

// A buffer of strings ended by NUL, its last NUL now and then cut, or by
// ':' in strings that may hold a NUL or a ':' of their own: in one
// allocation of the buffer's size + 2.
bool Driver::cxx_split(CxxList &c)
{
    const char separator = src_.pick(2) != 0 ? '\0' : ':';
    // Now and then 600 strings of 15 bytes: 150 chunks of 64 bytes whose
    // separators fall in the same byte counters, which must not overflow.
    const bool many = src_.pick(32) == 0;
    Strings strings(many ? 600 : src_.pick(9));
    for (std::string &s : strings)
        s = many ? std::string(15, 'm') : separator != '\0' ? maybe_nul(random_string()) : random_string();
    std::string buffer;
    for (const std::string &s : strings)
        buffer.append(s).push_back(separator);
    if (!buffer.empty() && src_.pick(2) != 0)
        buffer.pop_back();
    const bool nul = separator != '\0' && buffer.find('\0') != std::string::npos;
    Requests want;
    if (!buffer.empty() && !nul)
        want.push_back({'m', buffer.size() + 2});
    what_ = "list::split of " + std::to_string(buffer.size()) + " bytes at " + (separator != '\0' ? "':'" : "NUL");
    const int fail_at = fault(want.size());
    heap::Recording rec(fail_at);
    mstring::list made = mstring::list::split(buffer, separator);
    const bool kept = !want.empty() && fail_at == 0;
    if (!heap(rec, want, fail_at, kept ? 1 : 0))
        return false;
    if (made.failed() != (nul ? mstring::failure::nul : fail_at != 0 ? mstring::failure::no_memory
                                                                     : mstring::failure::none))
        return fail("failed() differs from the model");
    c.list = std::move(made);
    c.strings = kept ? split_model(buffer, separator) : Strings();
    c.room = kept ? buffer.size() + 2 : 0;
    return true;
}

// Room for bytes bytes: a request only for more than the block holds.
bool Driver::cxx_reserve(CxxList &c)
{
    const std::size_t bytes = src_.pick(2) != 0 ? c.room + src_.pick(256) : src_.pick(64);
    what_ = "list::reserve(" + std::to_string(bytes) + ") of " + std::to_string(c.room);
    Requests want;
    if (bytes > c.room)
        want.push_back({c.room == 0 ? 'm' : 'r', bytes});
    const int fail_at = fault(want.size());
    heap::Recording rec(fail_at, src_.pick(2) != 0);
    const bool ok = c.list.reserve(bytes);
    if (!heap(rec, want, fail_at, c.room == 0 && ok && !want.empty() ? 1 : 0))
        return false;
    if (ok != (fail_at == 0) || c.list.failed() != (ok ? mstring::failure::none : mstring::failure::no_memory))
        return fail("the result or failed() differs from the model");
    if (ok && !want.empty())
        c.room = bytes;
    return true;
}

// clear() keeps the block; swap() and moves exchange blocks, and a move
// leaves its source empty, without a request.  The block a move replaces
// is freed.
bool Driver::cxx_exchange(unsigned how)
{
    const unsigned a = src_.pick(2), b = src_.pick(2);
    CxxList &to = cxx_[a], &from = cxx_[b];
    static const char *const hows[] = {"list::clear", "list::swap", "swap of lists", "move assignment",
                                       "move construction"};
    what_ = std::string(hows[how]) + " of C++ lists " + std::to_string(a) + " and " + std::to_string(b);
    const long freed = how >= 3 && a != b && to.room != 0 ? 1 : 0;
    const Requests none;
    {
        heap::Recording rec;
        if (how == 0) {
            to.list.clear();
        } else if (how == 1) {
            to.list.swap(from.list);
        } else if (how == 2) {
            swap(to.list, from.list);
        } else if (how == 3) {
            to.list = std::move(from.list);
        } else {
            mstring::list moved(std::move(from.list));
            to.list = std::move(moved);
        }
        if (!heap(rec, none, 0, -freed))
            return false;
    }
    if (how == 0) {
        to.strings.clear();
    } else if (a != b) {
        std::swap(to.strings, from.strings);
        std::swap(to.room, from.room);
        if (how >= 3) {
            from.strings.clear();
            from.room = 0;
        }
    }
    return true;
}

// Hands back the block cut to exactly its multi-string, by one realloc
// when it has room to spare; refused, the block is whole all the same.
bool Driver::cxx_release(CxxList &c)
{
    const std::size_t size = c.list.bytes();
    Requests want;
    if (c.room > size && size != 0)
        want.push_back({'r', size});
    what_ = "list::release of " + std::to_string(size) + " bytes";
    int fail_at = fault(want.size());
    heap::Recording rec(fail_at);
    std::unique_ptr<char, mstring::free_deleter> block(c.list.release());
    if (!heap(rec, want, fail_at, c.room != 0 && size == 0 ? -1 : 0))
        return false;
    if ((block != nullptr) == c.strings.empty())
        return fail(block != nullptr ? "a block from an empty list" : "no block");
    if (block != nullptr &&
        (read_.size(block.get()) != size || std::string(block.get(), size) != bytes_of(c.strings)))
        return fail("released bytes differ from the model");
    c.strings.clear();
    c.room = 0;
    return true;
}

// Takes mkmstrv's block, or its null.  The list knows the block only as
// large as its multi-string (mkmstrv's may be larger by a dropped string's
// NUL).
bool Driver::cxx_adopt(CxxList &c)
{
    List made;
    if (!build(made, true))
        return false;
    what_ += ", adopted";
    c.list = mstring::list(made.block);
    c.strings = made.block != nullptr ? made.strings : Strings();
    c.room = made.block != nullptr ? bytes_of(made.strings).size() : 0;
    return true;
}

// One operation on one of the C++ lists: pushes mostly, now and then a new
// list, a release or an exchange.
bool Driver::cxx_step()
{
    const unsigned which = src_.pick(2);
    CxxList &c = cxx_[which];
    const unsigned choice = src_.pick(16);
    if (choice == 0 || c.list.bytes() > kMaxSize || c.strings.size() > kMaxCount)
        return cxx_release(c);
    if (choice <= 2)
        return cxx_from(c, cxx_[1 - which]);
    if (choice == 3)
        return cxx_split(c);
    if (choice == 4)
        return cxx_adopt(c);
    if (choice == 5)
        return cxx_reserve(c);
    if (choice == 6)
        return cxx_exchange(src_.pick(5));
    return cxx_push(c);
}

bool Driver::step(long op)
{
    op_ = op;
    what_ = "start";
    if (!capture_.ok())
        return fail("no temporary file for standard output");
    List &l = lists_[src_.pick(kLists)];
    unsigned choice = src_.pick(24);
    bool ok = true;
    if (choice >= 16)
        ok = cxx_step();
    else if (l.block == nullptr || l.capacity > kMaxSize || l.strings.size() > kMaxCount)
        ok = init(l, false);
    else if (choice < 2)
        ok = init(l, false);
    else if (choice < 8)
        ok = add(l, (choice & 1) != 0, choice < 5);
    else if (choice == 8)
        ok = copy(l);
    else if (choice == 9)
        ok = dup(l, lists_[src_.pick(kLists)]);
    else if (choice < 12)
        ok = build(l, choice == 10);
    else if (choice == 12)
        ok = index(l);
    else if (choice == 13)
        ok = print_one(l);
    else if (choice == 14)
        ok = print_all(l);
    else
        what_ = "measure"; // every list is measured below
    for (int i = 0; ok && i < kLists; ++i)
        ok = check(lists_[i], i);
    for (int i = 0; ok && i < 2; ++i)
        ok = check_cxx(cxx_[i], i);
    if (ok && (cxx_[0].list == cxx_[1].list) != (cxx_[0].strings == cxx_[1].strings))
        return fail("== between the C++ lists differs from the model");
    return ok;
}

} // namespace

Outcome run(Source &source, long max_ops, const Readers &readers)
{
    Outcome out;
    Driver driver(source, readers);
    while (out.ops < max_ops && !source.empty()) {
        bool ok = driver.step(out.ops);
        ++out.ops;
        if (!ok) {
            out.failure = driver.failure();
            break;
        }
    }
    return out;
}

} // namespace model
