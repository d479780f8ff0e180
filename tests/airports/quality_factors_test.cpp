// Quality factors over stand lists, the observation lookup and the stand fit test: pure
// functions over stands, no files.
#include "airports/airports.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace {

StandObservation lf_observation(std::uint32_t sequenceNumber, std::int32_t day,
                                std::initializer_list<int> slots, bool soft = false,
                                std::string registration = "PH-BFA") {
    StandObservation observation;
    observation.sequenceNumber = sequenceNumber;
    observation.day = day;
    for (const int slot : slots) {
        observation.halfHours.set(static_cast<std::size_t>(slot));
    }
    observation.soft = soft;
    observation.registration = std::move(registration);
    return observation;
}

// count observations on day 1, each with the slots 0..slotsEach-1.
std::vector<StandObservation> lf_many(int count, int slotsEach, bool soft = false) {
    std::vector<StandObservation> observations;
    for (int i = 0; i < count; ++i) {
        StandObservation observation =
            lf_observation(static_cast<std::uint32_t>(i + 1), 1, {}, soft);
        for (int slot = 0; slot < slotsEach; ++slot) {
            observation.halfHours.set(static_cast<std::size_t>(slot));
        }
        observations.push_back(std::move(observation));
    }
    return observations;
}

ParkPosition lf_stand(std::vector<StandObservation> observations) {
    ParkPosition stand;
    stand.observations = std::move(observations);
    return stand;
}

TEST(QualityFactors, StandListsAreRatedPerKindOverEveryStand) {
    std::vector<StandObservation> sevenDays;
    for (int day = 1; day <= 7; ++day) {
        sevenDays.push_back(lf_observation(static_cast<std::uint32_t>(day), day, {}));
    }
    std::vector<StandObservation> fullStand = lf_many(200, 3);
    for (std::size_t day = 0; day < 7; ++day) {
        fullStand[day].day = static_cast<std::int32_t>(day + 1);
    }
    struct Case {
        const char* name;
        std::vector<ParkPosition> stands;
        int real;
        int soft;
    };
    const Case cases[] = {
        {"no stands", {}, -1, -1},
        {"no records", {lf_stand({}), lf_stand({})}, -1, -1},
        {"only records that count nowhere",
         {lf_stand({lf_observation(0, 1, {1, 2}), lf_observation(0, 2, {3}, true)})},
         0,
         0},
        // 10000 + 20 + 100 + 8 = 10128; over two stands 31.65.
        {"worked figure", {lf_stand({lf_observation(1, 3, {4, 5, 6, 7})}), lf_stand({})}, 32, 0},
        {"soft only", {lf_stand({lf_observation(1, 3, {4, 5, 6, 7}, true)})}, 0, 63},
        // 10000 + 4000 + 100 = 14100 -> 88.1; uncapped 94.
        {"observation cap", {lf_stand(lf_many(250, 0))}, 88, 0},
        // 10 x 40 = 400 half hours: 10000 + 200 + 100 + 800 = 11100 -> 69.4.
        {"half hours below the cap", {lf_stand(lf_many(10, 40))}, 69, 0},
        // 15 x 48 = 720 capped at 600: 10000 + 300 + 100 + 1200 = 11600 -> 72.5, a half away.
        {"half-hour cap and rounding", {lf_stand(lf_many(15, 48))}, 73, 0},
        // Days 0 and 8 rate no weekday: 10000 + 40 + 4 = 10044 -> 62.8.
        {"days outside 1..7",
         {lf_stand({lf_observation(1, 0, {1}), lf_observation(2, 8, {2})})},
         63,
         0},
        // Days 1, 1, 2 are two weekdays: 10000 + 60 + 200 = 10260 -> 64.1.
        {"distinct weekdays",
         {lf_stand({lf_observation(1, 1, {}), lf_observation(2, 1, {}), lf_observation(3, 2, {})})},
         64,
         0},
        // 10000 + 140 + 700 = 10840 -> 67.75.
        {"seven weekdays", {lf_stand(sevenDays)}, 68, 0},
        // 10000 + 4000 + 700 + 1200 = 15900 -> 99.4.
        {"highest score", {lf_stand(fullStand)}, 99, 0},
        // Sequence number 0 adds nothing, even beside counted records.
        {"record 0 beside counted ones",
         {lf_stand({lf_observation(1, 3, {4, 5, 6, 7}), lf_observation(0, 4, {1, 2, 3})})},
         63,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QualityFactors factors = gf_computeQualityFactors(c.stands);
        EXPECT_EQ(factors.real, c.real);
        EXPECT_EQ(factors.soft, c.soft);
    }
}

TEST(QualityFactors, OneStandScoresItsKindAlone) {
    const ParkPosition stand =
        lf_stand({lf_observation(1, 3, {4, 5, 6, 7}), lf_observation(1, 2, {1}, true),
                  lf_observation(2, 2, {2}, true)});
    EXPECT_EQ(lf_standScore(stand, false), 10128.0);
    EXPECT_EQ(lf_standScore(stand, true), 10000.0 + 40.0 + 100.0 + 4.0);
    EXPECT_EQ(lf_standScore(lf_stand({}), false), 0.0);
}

TEST(ObservationLookup, FirstRealObservationOfTheRegistrationNearTheSlot) {
    struct Case {
        const char* name;
        std::vector<StandObservation> observations;
        std::int32_t day;
        std::int32_t slot;
        int index; // -1: none
    };
    const Case cases[] = {
        {"the slot itself", {lf_observation(1, 3, {20})}, 3, 20, 0},
        {"the slot before", {lf_observation(1, 3, {19})}, 3, 20, 0},
        {"the slot after", {lf_observation(1, 3, {21})}, 3, 20, 0},
        {"two slots away", {lf_observation(1, 3, {22}), lf_observation(1, 3, {18})}, 3, 20, -1},
        {"slot 0 wraps to 47", {lf_observation(1, 3, {47})}, 3, 0, 0},
        {"slot 47 wraps to 0", {lf_observation(1, 3, {0})}, 3, 47, 0},
        {"slot 0 does not reach 46", {lf_observation(1, 3, {46})}, 3, 0, -1},
        {"soft never", {lf_observation(1, 3, {20}, true)}, 3, 20, -1},
        {"another weekday never", {lf_observation(1, 4, {20})}, 3, 20, -1},
        {"sequence number 0 never", {lf_observation(0, 3, {20})}, 3, 20, -1},
        {"registration exact", {lf_observation(1, 3, {20}, false, "ph-bfa")}, 3, 20, -1},
        {"first in list order",
         {lf_observation(1, 3, {20}, true), lf_observation(2, 3, {21}), lf_observation(3, 3, {20})},
         3,
         20,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto found = gf_findObservationForSlot(c.observations, c.day, c.slot, "PH-BFA");
        const int index =
            found == c.observations.end() ? -1 : static_cast<int>(found - c.observations.begin());
        EXPECT_EQ(index, c.index);
    }
}

TEST(StandRadiusFits, OverhangAndSpareRadiusInHalfSteps) {
    struct Case {
        double halfSpanMetres;
        double radiusMetres;
        bool fits;
    };
    const Case cases[] = {
        {15.0, 15.0, true},  {15.0, 21.0, true},  {15.0, 23.0, false}, {15.0, 13.3, true},
        {15.0, 13.1, false}, {17.8, 25.8, false}, {17.9, 25.9, true},  {20.0, 30.4, true},
        {20.0, 30.6, false}, {20.0, 18.3, true},  {20.0, 18.1, false}, {35.0, 45.0, true},
        {35.0, 46.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.halfSpanMetres << " m in " << c.radiusMetres << " m");
        ParkPosition stand;
        stand.radius = c.radiusMetres / 1852.0;
        EXPECT_EQ(gf_standRadiusFits(stand, c.halfSpanMetres / 1852.0), c.fits);
    }
}

TEST(StandRadiusScore, SpareRadiusInStepsUnlessTheWingOverhangs) {
    struct Case {
        double halfSpanMetres;
        double radiusMetres;
        std::optional<int> score;
    };
    const Case cases[] = {
        {15.0, 13.3, 0}, {15.0, 13.1, std::nullopt},
        {15.0, 22.1, 1}, {15.0, 36.5, 2},
        {17.9, 28.3, 0}, {17.9, 28.6, 1},
        {20.0, 62.0, 2}, {20.0, 18.1, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.halfSpanMetres << " m in " << c.radiusMetres << " m");
        ParkPosition stand;
        stand.radius = c.radiusMetres / 1852.0;
        EXPECT_EQ(gf_standRadiusScore(stand, c.halfSpanMetres / 1852.0), c.score);
        EXPECT_EQ(gf_standRadiusFits(stand, c.halfSpanMetres / 1852.0), c.score == 0);
    }
}

} // namespace
