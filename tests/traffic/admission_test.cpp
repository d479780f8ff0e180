// Admission of a new live flight: the rules in their order, each giving wait, hold (one sample
// consumed), drop or placement; MAX_LIVE's farthest aircraft giving way; and the flag that holds
// a flight back for the user's aircraft over several ticks.
#include "traffic/aircraft_lookup.h"
#include "traffic/user_proximity.h"

#include "admission_test_fixture.h"

#include "support/live_flight_builder.h"

#include <fmt/format.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

namespace {

using ksb::test::AdmissionTest;
using ksb::test::AdmTrack;
using ksb::test::kAdmFirstDue;
using ksb::test::kAdmFlightKey;

enum class Outcome { wait, hold, drop, placed };

const char* lf_outcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::wait:
        return "wait";
    case Outcome::hold:
        return "hold";
    case Outcome::drop:
        return "drop";
    case Outcome::placed:
        return "placed";
    }
    return "?";
}

// What one call did to the aircraft, judged from its record and the waiting keys.
Outcome lf_outcomeOf(const LiveAircraft& after, std::size_t samplesBefore) {
    if (after.erase) {
        return Outcome::drop;
    }
    if (after.state == LiveState::creationRequested) {
        return Outcome::placed;
    }
    return after.samples.size() + 1 == samplesBefore ? Outcome::hold : Outcome::wait;
}

class AdmissionDecisionTest : public AdmissionTest {
protected:
    struct Row {
        const char* name;
        AdmTrack track;
        int samples;
        // Changes the flight and the engine before the call; the traffic mutex is held.
        std::function<void(LiveAircraft&)> prepare;
        Outcome outcome;
        // After a placement: the identity admission completed.
        std::string callsign = "BAW123";
        std::string airline = "BAW";
        std::string type = "A320";
        bool cargo = false;
    };

    void runRows(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            BLOCK_CALLSIGN.assign("");
            MAX_LIVE.setRaw(MAX_LIVE.defaultValue());
            COLLISION_USER_AIR.setRaw(true);
            COLLISION_USER_GND.setRaw(true);
            std::lock_guard traffic(trafficState.trafficMutex);
            clearEngineLists();
            const std::size_t index = trafficState.live.size();
            addLive(flight(row.track, row.samples));
            if (row.prepare) {
                row.prepare(trafficState.live[index]);
            }
            const std::size_t samplesBefore = trafficState.live[index].samples.size();
            const std::int32_t secondDue =
                samplesBefore > 1 ? trafficState.live[index].samples[1].dueTick : 0;
            ksb::lf_admitNewAircraft(trafficState.live[index]);
            const LiveAircraft& after = trafficState.live[index];
            const Outcome outcome = lf_outcomeOf(after, samplesBefore);
            EXPECT_STREQ(lf_outcomeName(outcome), lf_outcomeName(row.outcome));
            switch (row.outcome) {
            case Outcome::hold:
                // The first sample is the one gone.
                ASSERT_FALSE(after.samples.empty());
                EXPECT_EQ(after.samples.front().dueTick, secondDue);
                EXPECT_EQ(after.state, LiveState::newFlight);
                break;
            case Outcome::wait:
            case Outcome::drop:
                EXPECT_EQ(after.samples.size(), samplesBefore);
                EXPECT_EQ(after.state, LiveState::newFlight);
                EXPECT_FALSE(waiting(after.flightKey));
                break;
            case Outcome::placed:
                EXPECT_TRUE(waiting(after.flightKey));
                EXPECT_FALSE(after.heldForUser);
                EXPECT_EQ(after.callsign, row.callsign);
                EXPECT_EQ(after.airline, row.airline);
                EXPECT_EQ(after.type, row.type);
                EXPECT_EQ(after.cargo, row.cargo);
                break;
            }
        }
    }
};

void lf_fillCreationQueue(std::size_t requests) {
    for (std::size_t i = 0; i < requests; ++i) {
        AiCreateRequest request;
        request.callsign = fmt::format("Q{}", i);
        request.flightKey = static_cast<std::uint32_t>(0x500000 + i);
        trafficState.liveCreations.push_back(request);
    }
}

// A re-creation after a livery change: back in state new, in the phase it flew.
void lf_recreating(LiveAircraft& aircraft) {
    aircraft.recreating = true;
    aircraft.phase = FlightPhase::taxi;
    aircraft.liveryTitle = "Airbus A320 British Airways";
}

TEST_F(AdmissionDecisionTest, EachRuleInItsOrder) {
    const auto dueIn = [](std::int32_t ticks) {
        return [ticks](LiveAircraft& a) {
            trafficState.tickCounter = a.samples.front().dueTick - ticks;
        };
    };
    const std::vector<Row> rows = {
        {"an empty queue", AdmTrack::climb, 0, {}, Outcome::drop},
        // Step 2: the lead time.
        {"airborne, 101 ticks before its play tick", AdmTrack::climb, 4, dueIn(101), Outcome::wait},
        {"airborne, 100 ticks before its play tick", AdmTrack::climb, 4, dueIn(100),
         Outcome::placed},
        {"standing, 101 ticks before", AdmTrack::standing, 4, dueIn(101), Outcome::wait},
        {"standing, 100 ticks before", AdmTrack::standing, 4, dueIn(100), Outcome::placed},
        {"moving on the ground, 301 ticks before", AdmTrack::taxi, 4, dueIn(301), Outcome::wait},
        {"moving on the ground, 300 ticks before", AdmTrack::taxi, 4, dueIn(300), Outcome::placed},
        {"a play tick near the lowest 32-bit value does not wrap into a wait", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.samples.front().dueTick = std::numeric_limits<std::int32_t>::min() + 50;
         },
         Outcome::placed},
        {"a play tick near the highest 32-bit value waits", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.samples.front().dueTick = std::numeric_limits<std::int32_t>::max() - 50;
         },
         Outcome::wait},
        // Steps 3 to 5.
        {"a single sample", AdmTrack::climb, 1, {}, Outcome::drop},
        {"a ghost in the ghost list", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.callsign = "BAW123_";
             trafficState.ghostCallsigns = {"EZY1_", "BAW123_"};
         },
         Outcome::drop},
        {"a ghost callsign not in the list, its base not flying", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.callsign = "BAW123_";
             trafficState.ghostCallsigns = {"BAW12_"};
         },
         Outcome::placed, "BAW123_"},
        {"a mixed queue", AdmTrack::landing, 4, {}, Outcome::hold},
        // Step 7.
        {"11 queued requests, a new flight", AdmTrack::climb, 4,
         [](LiveAircraft&) { lf_fillCreationQueue(11); }, Outcome::hold},
        {"10 queued requests, a new flight", AdmTrack::climb, 4,
         [](LiveAircraft&) { lf_fillCreationQueue(10); }, Outcome::placed},
        {"11 queued requests, a re-creation", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             lf_fillCreationQueue(11);
             lf_recreating(a);
         },
         Outcome::placed},
        // Steps 8 and 9.
        {"MAX_LIVE reached and nothing farther to release", AdmTrack::climb, 4,
         [](LiveAircraft&) {
             MAX_LIVE.setRaw(6);
             lf_fillCreationQueue(6);
         },
         Outcome::drop},
        {"BLOCK_CALLSIGN equal", AdmTrack::climb, 4,
         [](LiveAircraft&) { BLOCK_CALLSIGN.assign("BAW123"); }, Outcome::drop},
        {"BLOCK_CALLSIGN only a prefix", AdmTrack::climb, 4,
         [](LiveAircraft&) { BLOCK_CALLSIGN.assign("BAW12"); }, Outcome::placed},
        // Step 10: the registration lookup.
        {"a registration without an operator sets airline and type", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.registration = "G-CIVA";
             a.airline = "";
             a.type = "A320";
         },
         Outcome::placed, "BAW123", "BAW", "B744"},
        {"an operator replaces the airline, found through a spelling without the dash",
         AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.callsign = "EWG7K";
             a.airline = "ZZZ";
             a.registration = "DABDU";
         },
         Outcome::placed, "EWG7K", "EWG", "A320"},
        {"a cargo registration", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.callsign = "FDX12";
             a.registration = "N701FX";
         },
         Outcome::placed, "FDX12", "FDX", "B744", true},
        {"an unknown registration changes nothing", AdmTrack::climb, 4,
         [](LiveAircraft& a) { a.registration = "G-ZZZZ"; }, Outcome::placed},
        {"@@@@@@@@ with a known registration takes the registration", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.callsign = "@@@@@@@@";
             a.registration = "G-EUUA";
         },
         Outcome::placed, "G-EUUA"},
        {"an empty callsign with a known registration takes the registration", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.callsign = "";
             a.registration = "G-EUUA";
         },
         Outcome::placed, "G-EUUA"},
        // Step 11.
        {"@@@@@@@@ with an unknown registration", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.callsign = "@@@@@@@@";
             a.registration = "G-ZZZZ";
         },
         Outcome::drop},
        {"an empty callsign without a registration", AdmTrack::climb, 4,
         [](LiveAircraft& a) { a.callsign = ""; }, Outcome::drop},
        {"a callsign of 9 characters", AdmTrack::climb, 4,
         [](LiveAircraft& a) { a.callsign = "BAW123456"; }, Outcome::drop},
        {"a callsign of 8 characters", AdmTrack::climb, 4,
         [](LiveAircraft& a) { a.callsign = "BAW12345"; }, Outcome::placed, "BAW12345"},
        // Step 12.
        {"no airline and a private callsign: PVT", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.callsign = "N123AB";
             a.airline = "";
             a.type = "C172";
         },
         Outcome::placed, "N123AB", "PVT", "C172"},
        {"no airline and an airline callsign: the airline from the callsign", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.callsign = "DLH4AB";
             a.airline = "";
         },
         Outcome::placed, "DLH4AB", "DLH", "A320"},
        // Steps 13 and 14.
        {"a known no-livery key", AdmTrack::climb, 4,
         [](LiveAircraft& a) { trafficState.noLiveryKeys.insert(a.noLiveryKey()); }, Outcome::drop},
    };
    runRows(rows);
}

// The base is appended after the flight, so that the flight keeps its place in the vector.
TEST_F(AdmissionDecisionTest, AGhostGoesOnlyWhileItsBaseIsNotBeingRemoved) {
    const auto withBase = [](LiveState state) {
        return [state](LiveAircraft& a) {
            a.callsign = "BAW123_";
            LiveAircraft base = flight(AdmTrack::climb, 2);
            base.flightKey = 0x4ca002;
            base.state = state;
            trafficState.live.push_back(base);
        };
    };
    runRows({
        {"the base in the simulator", AdmTrack::climb, 4, withBase(LiveState::inSimulator),
         Outcome::drop},
        {"the base being removed", AdmTrack::climb, 4, withBase(LiveState::beingRemoved),
         Outcome::placed, "BAW123_"},
    });
}

TEST_F(AdmissionDecisionTest, WhereTwoRulesApplyTheEarlierDecides) {
    runRows({
        // Dropped already (an overlong queue at intake): it is neither held nor placed on a
        // stand it would lose again at the end of the tick.
        {"a flight already dropped stays dropped", AdmTrack::climb, 4,
         [](LiveAircraft& a) { a.erase = true; }, Outcome::drop},
        {"a single sample still waits for its play tick", AdmTrack::climb, 1,
         [](LiveAircraft& a) { trafficState.tickCounter = a.samples.front().dueTick - 101; },
         Outcome::wait},
        {"a ghost in the list goes before a mixed queue is held", AdmTrack::landing, 4,
         [](LiveAircraft& a) {
             a.callsign = "BAW123_";
             trafficState.ghostCallsigns = {"BAW123_"};
         },
         Outcome::drop},
        {"a mixed queue is held before BLOCK_CALLSIGN drops it", AdmTrack::landing, 4,
         [](LiveAircraft&) { BLOCK_CALLSIGN.assign("BAW123"); }, Outcome::hold},
        {"a flight held for the user is held before MAX_LIVE drops it", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.heldForUser = true;
             trafficState.userState.groundVelocity = 20.0;
             MAX_LIVE.setRaw(6);
             lf_fillCreationQueue(6);
         },
         Outcome::hold},
        {"a busy creation queue holds before BLOCK_CALLSIGN drops", AdmTrack::climb, 4,
         [](LiveAircraft&) {
             lf_fillCreationQueue(11);
             BLOCK_CALLSIGN.assign("BAW123");
         },
         Outcome::hold},
        {"BLOCK_CALLSIGN sees the callsign before the registration replaces it", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.callsign = "@@@@@@@@";
             a.registration = "G-EUUA";
             BLOCK_CALLSIGN.assign("G-EUUA");
         },
         Outcome::placed, "G-EUUA"},
        {"the no-livery key is that of the airline the registration gave", AdmTrack::climb, 4,
         [](LiveAircraft& a) {
             a.registration = "D-ABDU";
             LiveAircraft completed = a;
             completed.airline = "EWG";
             trafficState.noLiveryKeys.insert(completed.noLiveryKey());
         },
         Outcome::drop},
    });
}

// Each hold consumes one sample; a flight held until one sample is left goes by the
// single-sample rule, and nothing is said about it.
TEST_F(AdmissionTest, RepeatedHoldsEndInTheSingleSampleDrop) {
    userOnGround = false;
    COLLISION_USER_AIR.setRaw(true);
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.userState.altitude = 5000.0;
    // Every sample is due, so each call decides.
    trafficState.tickCounter = kAdmFirstDue + 2 * ksb::test::kAdmDueStep;
    // Three samples coming straight at the user from 5 NM north, 1000 ft below.
    const Position start = fromUser(5.0, 0.0);
    LiveAircraft& aircraft = addLive(flight(AdmTrack::descent, 3, start));
    for (PositionSample& sample : aircraft.samples) {
        sample.altitude = 4000.0;
    }
    const std::vector<std::size_t> expected = {2, 1, 1};
    for (std::size_t call = 0; call < expected.size(); ++call) {
        SCOPED_TRACE(fmt::format("call {}", call + 1));
        ksb::lf_admitNewAircraft(aircraft);
        EXPECT_EQ(aircraft.samples.size(), expected[call]);
        EXPECT_EQ(aircraft.erase, call == 2);
        EXPECT_TRUE(aircraft.heldForUser);
    }
    EXPECT_TRUE(trafficState.waitingKeys.empty());
    EXPECT_TRUE(harness_.messages().all().empty());
}

// At 50 N, aircraft due north of the user at the distance (one degree of latitude is 60 NM).
class MaxLiveTest : public AdmissionTest {
protected:
    static void addInSimulator(std::uint32_t key, double distanceNm) {
        LiveAircraft aircraft = flight(AdmTrack::climb, 2);
        aircraft.callsign = fmt::format("SIM{}", key % 100);
        aircraft.flightKey = key;
        aircraft.objectId = key % 1000 + 100;
        aircraft.state = LiveState::inSimulator;
        aircraft.position.latitude = ksb::test::kAdmUserLatitude + distanceNm / 60.0;
        aircraft.position.longitude = ksb::test::kAdmUserLongitude;
        trafficState.live.push_back(aircraft);
    }
};

TEST_F(MaxLiveTest, TheFarthestGivesWayOnlyBeyondAMarginOfATenthOfAMile) {
    struct Case {
        const char* name;
        std::int32_t maxLive;
        double farthest; // NM from the user; the newcomer is at 5
        bool farthestFirst;
        Outcome outcome;
        bool released;
    };
    const Case cases[] = {
        {"0.11 NM farther, listed first: released, admitted", 6, 5.11, true, Outcome::placed, true},
        {"0.11 NM farther, listed last: released, admitted", 6, 5.11, false, Outcome::placed, true},
        {"0.09 NM farther, listed first: dropped", 6, 5.09, true, Outcome::drop, false},
        {"0.09 NM farther, listed last: dropped", 6, 5.09, false, Outcome::drop, false},
        {"at the default nothing is counted", 300, 5.09, true, Outcome::placed, false},
        {"one below the limit: nothing is released", 7, 5.11, true, Outcome::placed, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MAX_LIVE.setRaw(c.maxLive);
        std::lock_guard traffic(trafficState.trafficMutex);
        clearEngineLists();
        // Six counted: four in the simulator, one waiting key, one queued request.
        if (c.farthestFirst) {
            addInSimulator(0x600009, c.farthest);
        }
        addInSimulator(0x600001, 1.0);
        addInSimulator(0x600002, 4.0);
        addInSimulator(0x600003, 2.0);
        if (!c.farthestFirst) {
            addInSimulator(0x600009, c.farthest);
        }
        trafficState.waitingKeys.push_back(0x600010);
        lf_fillCreationQueue(1);
        LiveAircraft& newcomer = addLive(flight(AdmTrack::climb, 4, fromUser(5.0, 0.0)));
        const std::size_t samplesBefore = newcomer.samples.size();
        ksb::lf_admitNewAircraft(newcomer);
        EXPECT_STREQ(lf_outcomeName(lf_outcomeOf(trafficState.live.back(), samplesBefore)),
                     lf_outcomeName(c.outcome));
        const LiveAircraft* farthest = gf_liveByKey(0x600009);
        ASSERT_NE(farthest, nullptr);
        EXPECT_EQ(farthest->state == LiveState::beingRemoved, c.released);
        EXPECT_EQ(trafficState.removals.size(), c.released ? 1u : 0u);
        if (c.released) {
            EXPECT_EQ(trafficState.removals.front(), farthest->objectId);
        }
        for (const LiveAircraft& aircraft : trafficState.live) {
            if (aircraft.flightKey != 0x600009 && aircraft.flightKey != kAdmFlightKey) {
                EXPECT_EQ(aircraft.state, LiveState::inSimulator);
            }
        }
    }
}

// Through the real tick and the fake link: six aircraft in the simulator under MAX_LIVE 6, then
// a seventh flight near the user. The farthest is released and the newcomer created.
TEST_F(MaxLiveTest, ThroughTheTickTheFarthestMakesRoomForANearerFlight) {
    using ksb::test::LiveFlightBuilder;
    constexpr int kBound = 20'000;
    MAX_LIVE.setRaw(6);
    UserAircraftState user;
    user.latitude = ksb::test::kAdmUserLatitude;
    user.longitude = ksb::test::kAdmUserLongitude;
    user.altitude = 400.0;
    harness_.link().setUserState(user);
    harness_.autoSim(5);
    const auto climbing = [](std::uint32_t hexid, double distanceNm) {
        LiveFlightBuilder builder(hexid);
        const Position at = fromUser(distanceNm, 0.0);
        builder.callsign(fmt::format("BAW{}", hexid % 1000))
            .at(at.latitude, at.longitude)
            .altitude(3000.0)
            .stamps(ksb::test::kFirstFeedStamp, 5.0);
        return builder.climbOut(60);
    };
    const auto inSimulator = [this] {
        int count = 0;
        for (const LiveAircraft& aircraft : harness_.live()) {
            count += aircraft.state == LiveState::inSimulator ? 1 : 0;
        }
        return count;
    };
    const double distances[] = {10.0, 12.0, 40.0, 14.0, 16.0, 18.0};
    std::vector<LiveFlight> batch;
    for (std::uint32_t i = 0; i < 6; ++i) {
        for (const LiveFlight& record : climbing(0x4ca101 + i, distances[i])) {
            batch.push_back(record);
        }
    }
    harness_.feed(batch, 30);
    for (int t = 0; t < kBound && inSimulator() < 6; ++t) {
        harness_.tick();
    }
    ASSERT_EQ(inSimulator(), 6);
    EXPECT_EQ(harness_.link().callsOf("queueCreateAiAircraft").size(), 6u);
    EXPECT_TRUE(harness_.link().callsOf("releaseAiAircraft").empty());

    harness_.feed(climbing(0x4ca201, 5.0), 30);
    for (int t = 0; t < kBound && harness_.link().callsOf("queueCreateAiAircraft").size() < 7;
         ++t) {
        harness_.tick();
    }
    const std::vector<std::string> creations = harness_.link().callsOf("queueCreateAiAircraft");
    ASSERT_EQ(creations.size(), 7u);
    EXPECT_EQ(creations.back(),
              fmt::format("queueCreateAiAircraft(BAW{}, {})", 0x4ca201 % 1000, 0x4ca201));
    // The 40 NM aircraft went first, and only it.
    EXPECT_EQ(harness_.link().callsOf("releaseAiAircraft"),
              std::vector<std::string>{fmt::format("releaseAiAircraft(BAW{})", 0x4ca103 % 1000)});
    std::int32_t releasedAt = -1;
    std::int32_t createdAt = -1;
    for (const ksb::test::LinkCall& call : harness_.link().calls()) {
        if (call.name == "releaseAiAircraft") {
            releasedAt = call.tick;
        } else if (call.text() == creations.back()) {
            createdAt = call.tick;
        }
    }
    EXPECT_LE(releasedAt, createdAt);
    // Its removal went to the simulator; the simulator's confirmation then ended its record.
    for (const ksb::test::SimObject& object : harness_.simObjects()) {
        EXPECT_EQ(object.removals, object.flightKey == 0x4ca103 ? 1 : 0);
    }
    EXPECT_FALSE(harness_.findLive(0x4ca103).has_value());
}

} // namespace
