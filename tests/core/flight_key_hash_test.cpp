#include "core/flight_key_hash.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(FlightKeyHash, IsFnv1a64OverTheFourBytesLowestFirst) {
    struct Case {
        const char* name;
        std::uint32_t key;
        std::uint64_t hash;
    };
    const Case cases[] = {
        {"zero", 0u, 0x4d25767f9dce13f5ull},
        {"first live key", 10001u, 0xb95b6ffd430bf729ull},
        {"all bytes set", 0xdeadbeefu, 0xa44e2de07150f42bull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(static_cast<std::uint64_t>(ksb::FlightKeyHash{}(c.key)), c.hash);
    }
}

} // namespace
