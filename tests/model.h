// SPDX-License-Identifier: MIT
// A model of the library for differential testing: each list is a vector
// of std::string.  One sequence of choices drives the library, an
// mstring::list (mstring.hpp) and the model together, and they are
// compared after every operation: bytes, sizes, counts, returned addresses
// (as offsets), heap requests and printed output.  The differential test takes its choices from seeded
// generators, the fuzz target from its input bytes.
#ifndef MSTRING_TEST_MODEL_H
#define MSTRING_TEST_MODEL_H

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

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

// Runs operations until max_ops have run, the source is empty or the
// library and the model disagree.  Frees every block it made.
Outcome run(Source &source, long max_ops, const Readers &readers = Readers());

} // namespace model

#endif
