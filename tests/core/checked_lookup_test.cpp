#include "core/checked_lookup.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <unordered_map>

namespace {

template <class Call> void expectOutOfRange(Call call, const char* text) {
    try {
        call();
        ADD_FAILURE() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), text);
    }
}

TEST(CheckedLookup, MapAt) {
    std::unordered_map<int, std::string> names{{0, "Light"}, {5, "Rotorcraft"}};
    EXPECT_EQ(gf_mapAt(names, 5), "Rotorcraft");
    gf_mapAt(names, 0) = "light";
    EXPECT_EQ(names.at(0), "light");
    const std::map<std::string, int> ordered{{"A320", 2}};
    EXPECT_EQ(gf_mapAt(ordered, "A320"), 2);
    expectOutOfRange([&] { gf_mapAt(names, 6); }, "invalid unordered_map<K, T> key");
    expectOutOfRange([&] { gf_mapAt(ordered, "B738"); }, "invalid unordered_map<K, T> key");
}

TEST(CheckedLookup, BitsetPosition) {
    std::bitset<48> hours;
    gf_bitSet(hours, 47);
    EXPECT_TRUE(gf_bitTest(hours, 47));
    gf_bitSet(hours, 47, false);
    EXPECT_FALSE(gf_bitTest(hours, 47));
    EXPECT_NO_THROW(gf_checkBitsetPosition<48>(0));
    expectOutOfRange([&] { gf_bitTest(hours, 48); }, "invalid bitset position");
    expectOutOfRange([&] { gf_bitSet(hours, 48); }, "invalid bitset position");
    expectOutOfRange([] { gf_checkBitsetPosition<48>(static_cast<std::size_t>(-1)); },
                     "invalid bitset position");
    EXPECT_TRUE(hours.none());
}

} // namespace
