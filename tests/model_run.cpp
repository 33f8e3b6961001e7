// SPDX-License-Identifier: MIT
// The differential driver of model.h as a program of its own, for builds
// by each compiler and C++ standard under the sanitizers: the seeds of the
// differential test, then a status that says whether every operation
// agreed with the model.
#include <cstdint>
#include <cstdio>

#include "model.h"

int main()
{
    long total = 0;
    for (std::uint32_t seed : {1u, 2u, 3u, 20240601u}) {
        model::Seeded source(seed);
        model::Outcome out = model::run(source, 15000);
        total += out.ops;
        if (!out.failure.empty()) {
            std::fprintf(stderr, "seed %u: %s\n", static_cast<unsigned>(seed), out.failure.c_str());
            return 1;
        }
    }
    std::printf("model: %ld operations agreed\n", total);
    return 0;
}
