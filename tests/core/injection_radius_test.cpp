#include "core/injection_radius.h"
#include "core/parameters.h"
#include "core/run_values.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(InjectionRadiusTest, TheRangeIsClampedTheRadiusIsNot) {
    struct Case {
        const char* name;
        int nm;
        std::int32_t range;
        double radiusNm;
        std::int32_t metres;
    };
    constexpr int kMax = std::numeric_limits<int>::max();
    const Case cases[] = {
        {"below", 1, 2, 1.0, 11852},
        {"minimum", 2, 2, 2.0, 13704},
        {"inside", 50, 50, 50.0, 102600},
        {"maximum", 100, 100, 100.0, 195200},
        {"above", 150, 100, 150.0, 287800},
        {"negative", -3, 2, -3.0, 4444},
        // A number from a file must not overflow the metres.
        {"huge", kMax, 100, static_cast<double>(kMax), kMax},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_setInjectionRadius(c.nm);
        EXPECT_EQ(c.range, LATERAL_RANGE.value());
        EXPECT_EQ(c.radiusNm, injectionRadiusNm.load());
        EXPECT_EQ(c.metres, injectionRadiusMetres.load());
    }
}

} // namespace
