// The stand constructor: the unit of the radius, the start values and the tracking maps.
#include "core/airport_records.h"
#include "core/flight_key_hash.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

static_assert(std::is_same_v<StandSearchMap::hasher, ksb::FlightKeyHash>);
static_assert(std::is_same_v<StandSearchMap::key_type, std::uint32_t>);

void expectFreshMap(const StandSearchMap& map) {
    EXPECT_TRUE(map.empty());
    // The library rounds a wish of 8 buckets up to its own size.
    EXPECT_EQ(map.bucket_count(), StandSearchMap(8).bucket_count());
    EXPECT_GE(map.bucket_count(), 8u);
    EXPECT_EQ(map.max_load_factor(), 1.0f);
}

TEST(ParkPosition, TheConstructorKeepsTheRadiusInNauticalMiles) {
    struct Case {
        const char* name;
        double metres;
        double nauticalMiles;
    };
    const Case cases[] = {
        {"one nautical mile", 1852.0, 1.0},
        {"the smallest written radius", 18.52, 0.01},
        {"a gate", 40.0, 40.0 / 1852.0},
        {"none", 0.0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParkPosition stand({}, "A1", 0.0, 0.0, 0.0, c.metres, false, false, false);
        EXPECT_DOUBLE_EQ(stand.radius, c.nauticalMiles);
    }
}

TEST(ParkPosition, TheConstructorTakesTheFileValuesAndStartsEverythingElseCleared) {
    StandObservation seen;
    seen.airline = "KLM";
    seen.sequenceNumber = 1;
    seen.halfHours.set(14);
    std::vector<StandObservation> observations{seen, seen};
    const StandObservation* held = observations.data();

    ParkPosition stand(std::move(observations), std::string("D7"), 52.308611, 4.763889,
                       std::numbers::pi / 2, 45.0, true, true, false);
    // Moved in, not copied.
    EXPECT_EQ(stand.observations.data(), held);
    ASSERT_EQ(stand.observations.size(), 2u);
    EXPECT_EQ(stand.observations[1].airline, "KLM");
    EXPECT_FALSE(stand.observations[0].testTraffic);
    EXPECT_EQ(stand.name, "D7");
    EXPECT_EQ(stand.latitude, 52.308611);
    EXPECT_EQ(stand.longitude, 4.763889);
    EXPECT_EQ(stand.heading, std::numbers::pi / 2);
    EXPECT_TRUE(stand.cargo);
    EXPECT_TRUE(stand.ramp);
    EXPECT_FALSE(stand.heli);
    EXPECT_EQ(stand.standId, 0u);
    for (const bool flag : {stand.manual, stand.radiusChanged, stand.cargoChanged, stand.relettered,
                            stand.taken, stand.occupied, stand.blocked, stand.adjacentTaken}) {
        EXPECT_FALSE(flag);
    }
    EXPECT_TRUE(stand.adjacentStandIds.empty());
    EXPECT_GE(stand.adjacentStandIds.capacity(), 8u);
    expectFreshMap(stand.realSearchMap);
    expectFreshMap(stand.softSearchMap);

    const ParkPosition helipad({}, "H1", 0.0, 0.0, 0.0, 20.0, false, false, true);
    EXPECT_TRUE(helipad.heli);
    EXPECT_FALSE(helipad.cargo);
    EXPECT_FALSE(helipad.ramp);
}

TEST(ParkPosition, DefaultAndCopiedStandsHaveTheSameMaps) {
    const ParkPosition empty;
    expectFreshMap(empty.realSearchMap);
    expectFreshMap(empty.softSearchMap);

    ParkPosition stand({}, "B2", 1.0, 2.0, 3.0, 1852.0, false, true, false);
    stand.realSearchMap[10001];
    const ParkPosition copy = stand;
    EXPECT_EQ(copy.name, "B2");
    EXPECT_EQ(copy.radius, 1.0);
    EXPECT_EQ(copy.realSearchMap.count(10001), 1u);
    EXPECT_EQ(copy.softSearchMap.max_load_factor(), 1.0f);
}

} // namespace
