// SPDX-License-Identifier: MIT
#include "common/SmoothStep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// The shifted sum of a power-of-two divisor must truncate exactly as the arithmetic in doubles
// does, on both sides of zero and up to the ends of the 32-bit range; other divisors use that
// arithmetic itself.
TEST(SmoothStepTest, EveryDivisorTruncatesAsTheArithmeticInDoubles) {
    const std::vector<std::int32_t> values = {
        0,     1,      -1,    7,       -7,      15,         -15,        16,         -17,
        32767, -32768, 99999, -100001, 1 << 30, -(1 << 30), 2147483647, -2147483647};
    for (const std::int32_t k : {1, 2, 3, 16, 7, 1024, 65536}) {
        const common::SmoothStep step(k);
        for (const std::int32_t sample : values) {
            for (const std::int32_t previous : values) {
                const double divisor = k;
                const double value = sample / divisor + previous - previous / divisor;
                EXPECT_EQ(step(sample, previous), static_cast<std::int32_t>(std::trunc(value)))
                    << "k " << k << " sample " << sample << " previous " << previous;
            }
        }
    }
}

} // namespace
