// SPDX-License-Identifier: MIT
// The library against the model of model.h, on fixed seeds.
#include <gtest/gtest.h>

#include <cstdio>

#include "model.h"

namespace {

constexpr long kOpsPerSeed = 15000;

TEST(Differential, AgreesWithTheModel)
{
    long total = 0;
    for (std::uint32_t seed : {1u, 2u, 3u, 20240601u}) {
        model::Seeded source(seed);
        model::Outcome out = model::run(source, kOpsPerSeed);
        total += out.ops;
        ASSERT_EQ(out.failure, "") << "seed " << seed;
        EXPECT_EQ(out.ops, kOpsPerSeed);
    }
    std::printf("differential: %ld operations agreed with the model\n", total);
}

} // namespace
