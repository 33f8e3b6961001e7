// SPDX-License-Identifier: MIT
// A model of the library for differential testing: each list is a vector
// of std::string.  One sequence of choices drives the library, an
// mstring::list (mstring.hpp) and the model together, and they are
// compared after every operation: bytes, sizes, counts, returned addresses
// (as offsets), heap requests and printed output.  The differential test
// takes its choices from seeded generators, the fuzz target from its input
// bytes.  Two mstring::lists go through every member, from() over every
// kind of range it takes.
#ifndef MSTRING_TEST_MODEL_H
#define MSTRING_TEST_MODEL_H

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "mstring.h"

namespace model {

class Source {
public:
    virtual ~Source() = default;
    // A choice from 0 to bound - 1; bound is from 1 to 256.
    virtual unsigned pick(unsigned bound) = 0;
    // True once there is nothing left to choose from.
    virtual bool empty() const = 0;
};

// Choices from a seeded generator: the same seed gives the same run.
class Seeded : public Source {
public:
    explicit Seeded(std::uint32_t seed) : gen_(seed) {}
    unsigned pick(unsigned bound) override { return static_cast<unsigned>(gen_() % bound); }
    bool empty() const override { return false; }

private:
    std::mt19937 gen_;
};

// Choices read from bytes, one byte each, then 0 once they are used up.
class Bytes : public Source {
public:
    Bytes(const std::uint8_t *data, std::size_t size) : data_(data), end_(data + size) {}
    unsigned pick(unsigned bound) override { return data_ < end_ ? *data_++ % bound : 0; }
    bool empty() const override { return data_ == end_; }

private:
    const std::uint8_t *data_;
    const std::uint8_t *end_;
};

struct Outcome {
    long ops = 0;        // operations run
    std::string failure; // the first disagreement; empty when there was none
};

// The reading functions whose results are compared with the model's; the
// library's other functions use the exported ones in any case.
struct Readers {
    std::size_t (*size)(const char *) = mstrsize;
    int (*count)(const char *) = mstrcount;
    char *(*index)(const char *, int) = mstrindex;
};

// What a range that changes between passes throws.
struct Thrown {};

// A forward range of string views that gives first's strings on its first
// pass and second's on the passes after (a pass ends when an iterator
// meets the end), and throws Thrown at read number throw_at (counted from
// 1; 0 never).
struct Passes {
    std::vector<std::string> first, second;
    std::size_t throw_at = 0, reads = 0;
    bool later = false;
};
class Changing {
public:
    explicit Changing(Passes &p) : p_(&p) {}
    class iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using iterator_concept = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;
        iterator() = default;
        iterator(Passes *p, bool end) : p_(p), end_(end) {}
        std::string_view operator*() const
        {
            if (++p_->reads == p_->throw_at)
                throw Thrown();
            return (p_->later ? p_->second : p_->first)[i_];
        }
        iterator &operator++() { return ++i_, *this; }
        iterator operator++(int) { iterator old = *this; ++i_; return old; }
        friend bool operator==(const iterator &a, const iterator &b) { return a.at_end() == b.at_end(); }
        friend bool operator!=(const iterator &a, const iterator &b) { return !(a == b); }

    private:
        bool at_end() const
        {
            if (end_)
                return true;
            bool at = i_ == (p_->later ? p_->second : p_->first).size();
            p_->later = p_->later || at;
            return at;
        }
        Passes *p_ = nullptr;
        std::size_t i_ = 0;
        bool end_ = false;
    };
    iterator begin() const { return {p_, false}; }
    iterator end() const { return {p_, true}; }

private:
    Passes *p_;
};

// Runs operations until max_ops have run, the source is empty or the
// library and the model disagree.  Frees every block it made.
Outcome run(Source &source, long max_ops, const Readers &readers = Readers());

} // namespace model

#endif
