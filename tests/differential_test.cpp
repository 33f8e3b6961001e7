// SPDX-License-Identifier: MIT
// The library against the model of model.h, on fixed seeds, reading with
// the exported functions and with every scan variant the processor runs.
#include <gtest/gtest.h>

#include <cstdio>

#include "model.h"
#include "variants.h"

namespace {

constexpr long kOpsPerSeed = 15000;

TEST(Differential_mstrsize_mstrcount_mstrindex_mstrinit_mstradd_mstrcpy_mstrdup_mstradd_r_mkmstrl_mkmstrv_putmss_putms, AgreesWithTheModel)
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

TEST(Differential_mstrsize_mstrcount_mstrindex_mstrinit_mstradd_mstrcpy_mstrdup_mstradd_r_mkmstrl_mkmstrv_putmss_putms, EveryVariantAgreesWithTheModel)
{
    for (const mstring_internal::variant &v : mstring_internal::variants) {
        if ((v.needs & ~mstring_internal::cpu_features()) != 0)
            continue;
        model::Seeded source(4);
        model::Outcome out = model::run(source, kOpsPerSeed, {v.size, v.count, v.index});
        ASSERT_EQ(out.failure, "") << v.name;
        EXPECT_EQ(out.ops, kOpsPerSeed) << v.name;
    }
}

} // namespace
