// SPDX-License-Identifier: MIT
#include "model.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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
    bool check_cxx();
    bool cxx_push();
    bool cxx_from();
    bool cxx_release();
    bool cxx_adopt();

    Source &src_;
    const Readers &read_;
    List lists_[kLists];
    // An mstring::list, its strings (none while it has no block) and the
    // size of its block.
    mstring::list cxx_;
    Strings cxx_strings_;
    std::size_t cxx_room_ = 0;
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

bool Driver::check_cxx()
{
    // Equal to a C list exactly when it holds the same strings.
    for (const List &l : lists_)
        if (l.block != nullptr && (cxx_ == mstring::view(l.block)) != (cxx_strings_ == l.strings))
            return fail("C++ list: == against a C list differs from the model");
    if (cxx_strings_.empty()) {
        if (cxx_ || !cxx_.empty() || cxx_.get() != nullptr || cxx_.bytes() != 0 || cxx_.count() != 0 ||
            cxx_.begin() != cxx_.end() || cxx_.front().data() != nullptr || cxx_ != mstring::view())
            return fail("C++ list: not empty");
        return true;
    }
    const std::string want = bytes_of(cxx_strings_);
    if (cxx_.empty() || cxx_.front() != cxx_strings_[0] || cxx_ != mstring::list::from(cxx_strings_))
        return fail("C++ list: empty(), front() or == against a copy differs from the model");
    if (cxx_.get() == nullptr || cxx_.bytes() != want.size())
        return fail("C++ list: bytes() " + std::to_string(cxx_.bytes()) + ", want " + std::to_string(want.size()));
    if (std::string(cxx_.get(), want.size()) != want)
        return fail("C++ list: bytes differ from the model");
    if (cxx_.count() != static_cast<int>(cxx_strings_.size()) || Strings(cxx_.begin(), cxx_.end()) != cxx_strings_)
        return fail("C++ list: count() or the strings iterated differ from the model");
    char **v = cxx_.argv(); // the strings' addresses, then null
    bool same = v != nullptr;
    for (std::size_t i = 0, n = cxx_strings_.size(); same && i <= n; ++i)
        same = v[i] == (i < n ? cxx_.get() + offset_of(cxx_strings_, static_cast<int>(i) + 1) : nullptr);
    std::free(v);
    if (!same)
        return fail("C++ list: argv() differs from the model");
    return true;
}

// A view, a view into one of the list's strings, a C string or a
// std::string; a view or std::string holding a NUL is refused.  A push
// that does not fit grows the block to twice its size, or to the size
// needed if that is more; should twice its size be refused, to the size
// needed.
bool Driver::cxx_push()
{
    const unsigned kind = src_.pick(4);
    const bool own = kind == 1 && !cxx_strings_.empty();
    std::string s = kind == 2 ? random_string() : maybe_nul(random_string());
    std::string_view view = s;
    if (own) {
        int n = 1 + static_cast<int>(src_.pick(static_cast<unsigned>(cxx_strings_.size())));
        const std::string &in = string_at(cxx_strings_, n);
        std::size_t at = src_.pick(256) % (in.size() + 1);
        s = in.substr(at, src_.pick(256) % (in.size() - at + 1));
        view = std::string_view(cxx_.get() + offset_of(cxx_strings_, n) + at, s.size());
    }
    const bool refused = s.find('\0') != std::string::npos;
    const std::size_t size = cxx_.bytes();
    const std::size_t needed = (size != 0 ? size - 1 : 0) + s.size() + 2;
    Requests want;
    if (!refused && (size == 0 || !s.empty()) && needed > cxx_room_)
        want.push_back({size == 0 ? 'm' : 'r', std::max(needed, 2 * cxx_room_)});
    static const char *const kinds[] = {"a view", "a view", "a C string", "a std::string"};
    what_ = std::string("list::push_back of ") + (own ? "a view of its own string" : kinds[kind]) + " of " +
            std::to_string(s.size()) + " bytes";
    const int refuse = fault(want.size());
    const bool retried = refuse == 1 && want[0].size > needed;
    const int fail_at = retried ? 0 : refuse;
    if (retried)
        want.push_back({'r', needed});
    const char *const block = cxx_.get();
    heap::Recording rec(refuse, src_.pick(2) != 0);
    bool ok = kind == 2 ? cxx_.push_back(s.c_str()) : kind == 3 ? cxx_.push_back(s) : cxx_.push_back(view);
    if (!heap(rec, want, fail_at, size == 0 && ok ? 1 : 0))
        return false;
    if (ok != !(refused || fail_at != 0))
        return fail(ok ? "true where false was due" : "false where true was due");
    if (cxx_.failed() != (ok ? mstring::failure::none : refused ? mstring::failure::nul : mstring::failure::no_memory))
        return fail("failed() differs from the model");
    if (!ok)
        return cxx_.get() == block || fail("a refused push changed the block");
    push(cxx_strings_, s);
    if (!want.empty())
        cxx_room_ = want.back().size;
    return true;
}

// From strings, string views, an argv-style vector, C strings back to back
// in one buffer, or C strings in one buffer with a byte between them; in
// one allocation of exactly the multi-string's size.  Or split from the
// buffer of C strings back to back, its last NUL now and then cut, in one
// allocation of the buffer's size + 2.
bool Driver::cxx_from()
{
    const unsigned kind = src_.pick(6);
    Strings strings(src_.pick(9));
    for (std::string &s : strings)
        s = kind < 2 ? maybe_nul(random_string()) : random_string();
    const std::vector<std::string_view> views(strings.begin(), strings.end());
    const std::size_t stride = kind == 4 ? 2 : 1; // from one C string to the next
    std::string pool;
    for (const std::string &s : strings)
        pool.append(s).append("\0#", stride);
    std::vector<const char *> args;
    for (std::size_t i = 0, at = 0; i < strings.size(); at += strings[i++].size() + stride)
        args.push_back(kind == 2 ? strings[i].c_str() : &pool[at]);
    args.push_back(nullptr);
    Strings result;
    for (const std::string &s : strings)
        push(result, s);
    if (std::any_of(strings.begin(), strings.end(), [](const std::string &s) { return s.find('\0') != s.npos; }))
        result.clear();
    const std::string_view buffer(pool.data(), pool.size() - (pool.size() > 1 && src_.pick(2) != 0));
    Requests want;
    if (!result.empty())
        want.push_back({'m', kind == 5 ? buffer.size() + 2 : bytes_of(result).size()});
    static const char *const kinds[] = {"std::strings", "string views", "separate C strings",
                                        "back-to-back C strings", "spaced C strings", "split C strings"};
    what_ = std::string("list::from of ") + std::to_string(strings.size()) + " " + kinds[kind];
    const bool argv = kind == 2 || src_.pick(2) != 0; // else the vector as a range
    int fail_at = fault(want.size());
    mstring::list made;
    heap::Recording rec(fail_at);
    if (kind == 0)
        made = mstring::list::from(strings);
    else if (kind == 1)
        made = mstring::list::from(views);
    else if (kind == 5)
        made = mstring::list::split(buffer);
    else
        made = argv ? mstring::list::from(args.data()) : mstring::list::from(args);
    if (!heap(rec, want, fail_at, want.empty() || fail_at != 0 ? 0 : 1))
        return false;
    if (made.failed() != (fail_at != 0              ? mstring::failure::no_memory
                          : result.empty() && !strings.empty() ? mstring::failure::nul
                                                              : mstring::failure::none))
        return fail("failed() differs from the model");
    cxx_ = std::move(made);
    cxx_strings_ = fail_at == 0 ? std::move(result) : Strings();
    cxx_room_ = cxx_strings_.empty() ? 0 : want[0].size;
    return true;
}

// Hands back the block cut to exactly its multi-string, by one realloc
// when it has room to spare; refused, the block is whole all the same.
bool Driver::cxx_release()
{
    const std::size_t size = cxx_.bytes();
    Requests want;
    if (cxx_room_ > size)
        want.push_back({'r', size});
    what_ = "list::release of " + std::to_string(size) + " bytes";
    int fail_at = fault(want.size());
    heap::Recording rec(fail_at);
    std::unique_ptr<char, mstring::free_deleter> block(cxx_.release());
    if (!heap(rec, want, fail_at, 0))
        return false;
    if ((block != nullptr) == cxx_strings_.empty())
        return fail(block != nullptr ? "a block from an empty list" : "no block");
    if (block != nullptr && (read_.size(block.get()) != size || std::string(block.get(), size) != bytes_of(cxx_strings_)))
        return fail("released bytes differ from the model");
    cxx_strings_.clear();
    cxx_room_ = 0;
    return true;
}

// Takes mkmstrv's block, or its null.  The list knows the block only as
// large as its multi-string (mkmstrv's may be larger by a dropped string's
// NUL).
bool Driver::cxx_adopt()
{
    List made;
    if (!build(made, true))
        return false;
    what_ += ", adopted";
    cxx_ = mstring::list(made.block);
    cxx_strings_ = made.block != nullptr ? made.strings : Strings();
    cxx_room_ = made.block != nullptr ? bytes_of(made.strings).size() : 0;
    return true;
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
    if (choice >= 16) {
        // The C++ list: pushes mostly, now and then a new list or a release.
        if (choice == 16 || cxx_.bytes() > kMaxSize || cxx_strings_.size() > kMaxCount)
            ok = cxx_release();
        else if (choice == 17)
            ok = cxx_from();
        else if (choice == 18)
            ok = cxx_adopt();
        else
            ok = cxx_push();
    } else if (l.block == nullptr || l.capacity > kMaxSize || l.strings.size() > kMaxCount)
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
    return ok && check_cxx();
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
