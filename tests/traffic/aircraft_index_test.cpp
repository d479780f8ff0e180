// The indices beside the live and static vectors after each way a record comes, changes or goes:
// each row starts from the same engine, does one thing, and then every index must agree with its
// vector and every present and removed flight key and object id must look up as the walk would.
#include "core/flight_records.h"
#include "core/link_records.h"
#include "traffic/aircraft_index.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/creation_cancel.h"
#include "traffic/inbound_records.h"
#include "traffic/live_dispatch.h"
#include "traffic/traffic_state.h"

#include "support/traffic_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

// Live: key, object (0 = none yet), callsign. All wait in their start-up, so no tick drives them;
// the last is a new flight.
struct IndexTestLive {
    std::uint32_t key;
    std::uint32_t object;
    const char* callsign;
};
constexpr IndexTestLive kIndexLive[] = {
    {0x4ca001, 101, "IDX1"}, {0x4ca002, 102, "IDX2"}, {0x4ca003, 0, "IDX3"},
    {0x4ca004, 0, "IDX4"},   {0x4ca005, 105, "IDX5"}, {0x4ca006, 0, "IDX6"},
};
constexpr IndexTestLive kIndexStatic[] = {
    {1, 201, "STA1*"}, {2, 0, "STA2*"}, {3, 203, "STA3*"}};

struct IndexRow {
    const char* name;
    std::function<void()> act; // under the traffic mutex
    std::set<std::uint32_t> goneKeys;
    std::set<std::uint32_t> goneObjects;
    std::set<std::uint32_t> newObjects;
};

// The engine of every row.
class IndexScene {
public:
    IndexScene() {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.hooks.admitNewAircraft = [](LiveAircraft&) {};
        for (const IndexTestLive& l : kIndexLive) {
            LiveAircraft a;
            a.flightKey = l.key;
            a.callsign = l.callsign;
            a.state = l.key == 0x4ca006 ? LiveState::newFlight : LiveState::creationRequested;
            PositionSample airborne;
            airborne.airborne = true;
            airborne.altitude = 3000.0;
            a.samples.push_back(airborne);
            LiveAircraft& added = gf_appendLive(std::move(a));
            gf_setObjectId(added, l.object);
        }
        AiCreateRequest request;
        request.callsign = "IDX3";
        request.flightKey = 0x4ca003;
        trafficState.liveCreations.push_back(request);
        for (const IndexTestLive& s : kIndexStatic) {
            AiAircraft a;
            a.flightKey = s.key;
            a.callsign = s.callsign;
            a.objectId = s.object;
            a.state = LiveState::creationRequested;
            gf_appendStatic(std::move(a));
        }
        request.callsign = "STA2*";
        request.flightKey = 2;
        trafficState.staticCreations.push_back(request);
    }

    TrafficHarness harness;
};

void lf_indexPost(SimInboundKind kind, std::uint32_t object, std::uint32_t key) {
    lf_onSimEvent(SimInboundRecord{object, key, 0, kind, 0.0, 0.0});
}

TEST(AircraftIndex, EveryWayARecordGoesKeepsTheIndicesWithTheirVectors) {
    const IndexRow rows[] = {
        {"append", [] {}, {}, {}, {}},
        {"kind 0 binds a live object",
         [] { lf_indexPost(SimInboundKind::liveAdded, 104, 0x4ca004); }, {}, {}, {104}},
        {"kind 2 of the first live moves the last in",
         [] { lf_indexPost(SimInboundKind::objectRemoved, 101, 0); }, {0x4ca001}, {101}, {}},
        {"kind 2 of the last live",
         [] {
             // The new flight at the end bound first, then removed.
             gf_setObjectId(trafficState.live.back(), 106);
             lf_indexPost(SimInboundKind::objectRemoved, 106, 0);
         },
         {0x4ca006}, {106}, {}},
        {"kind 2 of a static",
         [] { lf_indexPost(SimInboundKind::objectRemoved, 201, 0); }, {1}, {201}, {}},
        {"kind 6 of a live",
         [] { lf_indexPost(SimInboundKind::creationRefused, 0, 0x4ca002); }, {0x4ca002}, {102}, {}},
        {"kind 6 of a static", [] { lf_indexPost(SimInboundKind::creationRefused, 0, 2); }, {2}, {}, {}},
        {"cancelled creations",
         [] {
             EXPECT_TRUE(lf_cancelQueuedCreations("IDX3"));
             EXPECT_TRUE(lf_cancelStaticCreation("STA2*"));
         },
         {0x4ca003, 2}, {}, {}},
        {"the erase pass keeps the order",
         [] {
             lf_indexPost(SimInboundKind::blockedCallsign, 0, 0x4ca006);
             gf_liveByKey(0x4ca002)->erase = true;
             lf_updateLiveAircraft(trafficState.tickCounter.load());
         },
         {0x4ca002, 0x4ca006}, {102}, {}},
    };
    for (const IndexRow& row : rows) {
        SCOPED_TRACE(row.name);
        IndexScene scene;
        std::lock_guard traffic(trafficState.trafficMutex);
        row.act();
        EXPECT_EQ(gf_aircraftIndexMismatch(), "");
        for (const IndexTestLive& l : kIndexLive) {
            LiveAircraft* byKey = gf_liveByKey(l.key);
            if (row.goneKeys.count(l.key) != 0) {
                EXPECT_EQ(byKey, nullptr) << l.callsign;
                continue;
            }
            ASSERT_NE(byKey, nullptr) << l.callsign;
            EXPECT_EQ(byKey->callsign, l.callsign);
        }
        for (const IndexTestLive& s : kIndexStatic) {
            AiAircraft* byKey = gf_staticByKey(s.key);
            EXPECT_EQ(byKey == nullptr, row.goneKeys.count(s.key) != 0) << s.callsign;
            if (byKey != nullptr) {
                EXPECT_EQ(byKey->callsign, s.callsign);
            }
        }
        std::vector<std::uint32_t> objects{101, 102, 104, 105, 106, 201, 203};
        for (const std::uint32_t object : objects) {
            const bool fixtureObject = object != 104 && object != 106;
            const bool present = (fixtureObject || row.newObjects.count(object) != 0) &&
                                 row.goneObjects.count(object) == 0;
            const AiAircraft* found = object >= 200
                                          ? gf_staticByObject(object)
                                          : static_cast<const AiAircraft*>(gf_liveByObject(object));
            EXPECT_EQ(found != nullptr, present) << "object " << object;
            if (found != nullptr) {
                EXPECT_EQ(found->objectId, object);
            }
        }
        EXPECT_EQ(gf_liveByObject(0), nullptr);
        EXPECT_EQ(gf_staticByObject(0), nullptr);
    }
}

TEST(AircraftIndex, TheResetEmptiesTheIndices) {
    IndexScene scene;
    trafficState.reset();
    std::lock_guard traffic(trafficState.trafficMutex);
    EXPECT_EQ(gf_aircraftIndexMismatch(), "");
    EXPECT_TRUE(trafficState.liveByKey.empty());
    EXPECT_TRUE(trafficState.liveByObject.empty());
    EXPECT_TRUE(trafficState.staticByKey.empty());
    EXPECT_TRUE(trafficState.staticByObject.empty());
    for (const IndexTestLive& l : kIndexLive) {
        EXPECT_EQ(gf_liveByKey(l.key), nullptr);
    }
    EXPECT_EQ(gf_liveByObject(101), nullptr);
    EXPECT_EQ(gf_staticByObject(201), nullptr);
}

} // namespace
} // namespace ksb::test
