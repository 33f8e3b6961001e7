// SPDX-License-Identifier: MIT
// libFuzzer target: the input's bytes are the choices of one run of the
// differential driver (tests/model.h), so every input is a sequence of
// operations on the library, each checked against the model.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "model.h"

namespace {

// Enough for any input libFuzzer makes with its default -max_len.
constexpr long kMaxOps = 4096;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    model::Bytes source(data, size);
    model::Outcome out = model::run(source, kMaxOps);
    if (!out.failure.empty()) {
        std::fprintf(stderr, "the library disagrees with the model: %s\n", out.failure.c_str());
        std::abort();
    }
    return 0;
}
