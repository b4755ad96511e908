#include <gtest/gtest.h>

#include "soak.h"

namespace lumbrast::game {
namespace {

TEST(Soak, TwoRandomMiceKeepTheRulesInvariantOverAThousandTables) {
    for (std::uint64_t seed : {1u, 2u, 3u}) {
        const soak::Result r = soak::run(1000, seed);
        EXPECT_EQ(r.violations, 0) << "seed " << seed << ": " << r.firstViolation;
        EXPECT_EQ(r.tables, 1000);
    }
}

} // namespace
} // namespace lumbrast::game
