// Cancelling queued creations, walked the way the exit and the time shift walk the live
// aircraft (and the static removal walks the static ones), and the collect-then-cancel walk of a
// pass that offers only parked aircraft.
#include "placement_test_fixture.h"

#include "traffic/creation_cancel.h"
#include "traffic/traffic.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

// Where an aircraft's creation stands.
enum class Creation {
    queued,  // a request in the creation queue
    waiting, // its key among the waiting keys (live side only)
    sent,    // gone to the simulator
    none,
};

struct CancelAircraft {
    const char* callsign;
    LiveState state;
    Creation creation = Creation::none;
    std::uint32_t stand = 0;
};

// A queued request: its callsign and its owner's index, or -1 for an owner that is gone.
struct CancelRequest {
    const char* callsign;
    int owner;
};

struct CancelCase {
    const char* name;
    std::vector<CancelAircraft> aircraft;
    std::vector<CancelRequest> queue;
    std::vector<int> waiting; // owners' indices, -1 for a key whose aircraft is gone
    // "callsign#index", with "*" when marked to go once created.
    std::vector<std::string> remaining{};
    std::vector<std::string> queueLeft{};   // "callsign#index" ("#-" for an orphan)
    std::vector<std::string> waitingLeft{}; // "#index" ("#-" for a gone aircraft)
    std::vector<std::string> cancels{};     // "callsign:result" in call order
    std::vector<std::uint32_t> occupied{};  // stands still occupied afterwards
    bool liveOnly = false;
};

constexpr std::uint32_t kCancelKeyBase = 500;
constexpr std::uint32_t kCancelGoneKey = 999;

std::uint32_t lf_cancelKey(int index) {
    return index < 0 ? kCancelGoneKey : kCancelKeyBase + static_cast<std::uint32_t>(index);
}

std::string lf_indexText(std::uint32_t key) {
    return key == kCancelGoneKey ? "#-" : fmt::format("#{}", key - kCancelKeyBase);
}

class CreationCancelTest : public PlacementTest {
protected:
    CreationCancelTest() {
        for (int i = 1; i <= 4; ++i) {
            addStand(fmt::format("S{}", i), 100.0 * i);
        }
    }

    // The case's aircraft and queues on the live or the static side; the stands of aircraft
    // not yet released are occupied.
    template <class Record>
    void build(const CancelCase& c, std::vector<Record>& records,
               std::deque<AiCreateRequest>& queue) {
        records.clear();
        queue.clear();
        trafficState.waitingKeys.clear();
        for (ParkPosition& stand : stands()) {
            stand.occupied = false;
        }
        for (std::size_t i = 0; i < c.aircraft.size(); ++i) {
            const CancelAircraft& spec = c.aircraft[i];
            Record record;
            record.callsign = spec.callsign;
            record.flightKey = lf_cancelKey(static_cast<int>(i));
            record.state = spec.state;
            record.objectId = spec.state == LiveState::inSimulator ? 300 + i : 0;
            record.standId = spec.stand;
            if (spec.stand != 0 && spec.state != LiveState::beingRemoved) {
                gf_findStandById(spec.stand)->occupied = true;
            }
            records.push_back(record);
        }
        for (const CancelRequest& r : c.queue) {
            AiCreateRequest request;
            request.callsign = r.callsign;
            request.flightKey = lf_cancelKey(r.owner);
            queue.push_back(request);
        }
        for (const int owner : c.waiting) {
            trafficState.waitingKeys.push_back(lf_cancelKey(owner));
        }
    }

    // The exit's and the time shift's walk: release what is in the simulator, cancel what waits
    // for creation, look at the same index again when the vector shrank, and mark an aircraft
    // whose creation could not be cancelled. Returns the aircraft in the order the walk passed
    // them.
    template <class Record, class Cancel>
    std::vector<std::string> walk(std::vector<Record>& records, Cancel cancel,
                                  std::vector<std::string>& cancels) {
        std::vector<std::string> passed;
        for (std::size_t i = 0; i < records.size();) {
            if (records[i].state == LiveState::inSimulator) {
                trafficState.linkServices.releaseAiAircraft(records[i]);
            } else if (records[i].state == LiveState::creationRequested) {
                const std::size_t before = records.size();
                const std::string callsign = records[i].callsign;
                cancels.push_back(fmt::format("{}:{}", callsign, cancel(records[i].callsign)));
                if (records.size() < before) {
                    continue;
                }
                records[i].removeOnceCreated = true;
            }
            passed.push_back(records[i].callsign + lf_indexText(records[i].flightKey));
            ++i;
        }
        return passed;
    }

    template <class Record>
    void check(const CancelCase& c, const std::vector<Record>& records,
               const std::deque<AiCreateRequest>& queue, const std::vector<std::string>& passed,
               const std::vector<std::string>& cancels, bool live) {
        std::vector<std::string> remaining;
        for (const Record& r : records) {
            remaining.push_back(r.callsign + lf_indexText(r.flightKey) +
                                (r.removeOnceCreated ? "*" : ""));
        }
        std::vector<std::string> expectedRemaining = c.remaining;
        EXPECT_EQ(remaining, expectedRemaining);
        // Every remaining aircraft was passed exactly once.
        std::vector<std::string> passedSorted = passed;
        std::vector<std::string> remainingPlain;
        for (const Record& r : records) {
            remainingPlain.push_back(r.callsign + lf_indexText(r.flightKey));
        }
        std::sort(passedSorted.begin(), passedSorted.end());
        std::sort(remainingPlain.begin(), remainingPlain.end());
        EXPECT_EQ(passedSorted, remainingPlain);
        std::vector<std::string> queueLeft;
        for (const AiCreateRequest& r : queue) {
            queueLeft.push_back(r.callsign + lf_indexText(r.flightKey));
        }
        EXPECT_EQ(queueLeft, c.queueLeft);
        if (live) {
            std::vector<std::string> waitingLeft;
            for (const std::uint32_t key : trafficState.waitingKeys) {
                waitingLeft.push_back(lf_indexText(key));
            }
            EXPECT_EQ(waitingLeft, c.waitingLeft);
        }
        EXPECT_EQ(cancels, c.cancels);
        std::vector<std::uint32_t> occupied;
        for (const ParkPosition& stand : stands()) {
            if (stand.occupied) {
                occupied.push_back(stand.standId);
            }
        }
        EXPECT_EQ(occupied, c.occupied);
    }
};

const LiveState kNew = LiveState::creationRequested;
const LiveState kIn = LiveState::inSimulator;
const LiveState kGoing = LiveState::beingRemoved;

const std::vector<CancelCase>& lf_cancelCases() {
    static const std::vector<CancelCase> cases = {
        {"the caller's own request",
         {{"BAW1", kNew, Creation::queued, 1}, {"BAW2", kIn, Creation::none, 2}},
         {{"ZZZ9", -1}, {"BAW1", 0}, {"ZZZ8", -1}},
         {},
         {"BAW2#1"},
         {"ZZZ9#-", "ZZZ8#-"},
         {},
         {"BAW1:true"},
         {}},
        {"a key still waiting",
         {{"BAW1", kNew, Creation::waiting, 1},
          {"BAW2", kIn, Creation::none, 2},
          {"BAW3", kIn, Creation::none, 3}},
         {},
         {-1, 0, 2},
         {"BAW3#2", "BAW2#1"},
         {},
         {"#-", "#2"},
         {"BAW1:true"},
         {},
         true},
        {"another state-1 aircraft of the callsign later in the vector",
         {{"BAW1", kNew, Creation::sent, 1},
          {"BAW2", kIn, Creation::none, 2},
          {"BAW1", kNew, Creation::queued, 3}},
         {{"BAW1", 2}},
         {},
         {"BAW1#0*", "BAW2#1"},
         {},
         {},
         {"BAW1:true", "BAW1:false"},
         {1}},
        {"a request already sent",
         {{"BAW1", kNew, Creation::sent, 1}, {"BAW2", kGoing, Creation::none, 2}},
         {{"ZZZ9", -1}},
         {},
         {"BAW1#0*", "BAW2#1"},
         {"ZZZ9#-"},
         {},
         {"BAW1:false"},
         {1}},
        {"an orphan request of the callsign",
         {{"BAW1", kNew, Creation::sent, 1}},
         {{"BAW1", -1}, {"ZZZ9", -1}},
         {},
         {"BAW1#0*"},
         {"ZZZ9#-"},
         {},
         {"BAW1:true"},
         {1}},
        {"a request whose owner was released since",
         {{"BAW1", kGoing, Creation::none, 1}, {"BAW1", kNew, Creation::queued, 2}},
         {{"BAW1", 0}, {"BAW1", 1}},
         {},
         {"BAW1#0"},
         {},
         {},
         {"BAW1:true"},
         {}},
        {"the last record is the one cancelled",
         {{"BAW2", kIn, Creation::none, 2}, {"BAW1", kNew, Creation::queued, 1}},
         {{"BAW1", 1}},
         {},
         {"BAW2#0"},
         {},
         {},
         {"BAW1:true"},
         {}},
        {"every kind at once",
         {{"BAW1", kNew, Creation::queued, 1},
          {"BAW2", kIn, Creation::none, 2},
          {"BAW3", kNew, Creation::sent, 3},
          {"BAW4", kNew, Creation::queued, 4},
          {"BAW5", kGoing, Creation::none, 0},
          {"BAW1", kNew, Creation::queued, 0}},
         {{"BAW4", 3}, {"ZZZ9", -1}, {"BAW1", 5}, {"BAW1", 0}, {"ZZZ8", -1}},
         {},
         {"BAW5#4", "BAW2#1", "BAW3#2*"},
         {"ZZZ9#-", "ZZZ8#-"},
         {},
         {"BAW1:true", "BAW3:false", "BAW4:true"},
         {3}},
    };
    return cases;
}

TEST_F(CreationCancelTest, WalkOverEveryLiveAircraftSeesEachRemainingOnce) {
    for (const CancelCase& c : lf_cancelCases()) {
        SCOPED_TRACE(c.name);
        harness.link().clearCalls();
        build(c, trafficState.live, trafficState.liveCreations);
        std::vector<std::string> cancels;
        // Through the services table, as the exit and the time shift call it.
        const std::vector<std::string> passed = walk(
            trafficState.live,
            [](const std::string& callsign) { return gf_cancelQueuedCreations(callsign); },
            cancels);
        check(c, trafficState.live, trafficState.liveCreations, passed, cancels, true);
    }
}

TEST_F(CreationCancelTest, WalkOverEveryStaticAircraftSeesEachRemainingOnce) {
    for (const CancelCase& c : lf_cancelCases()) {
        if (c.liveOnly) {
            continue;
        }
        SCOPED_TRACE(c.name);
        build(c, trafficState.statics, trafficState.staticCreations);
        std::vector<std::string> cancels;
        const std::vector<std::string> passed = walk(
            trafficState.statics,
            [](const std::string& callsign) { return lf_cancelStaticCreation(callsign); }, cancels);
        check(c, trafficState.statics, trafficState.staticCreations, passed, cancels, false);
    }
}

TEST_F(CreationCancelTest, CancelThatFindsNothingChangesNothing) {
    const CancelCase c{"nothing of the callsign",
                       {{"BAW1", kNew, Creation::sent, 1}, {"BAW2", kNew, Creation::waiting, 2}},
                       {{"ZZZ9", -1}},
                       {1}};
    build(c, trafficState.live, trafficState.liveCreations);
    // A key waiting for an aircraft of another callsign, or in another state, stays.
    trafficState.live[1].state = LiveState::inSimulator;
    EXPECT_FALSE(gf_cancelQueuedCreations("BAW2"));
    EXPECT_FALSE(gf_cancelQueuedCreations("BAW3"));
    EXPECT_EQ(trafficState.live.size(), 2U);
    EXPECT_EQ(trafficState.liveCreations.size(), 1U);
    EXPECT_EQ(trafficState.waitingKeys, (std::vector<std::uint32_t>{lf_cancelKey(1)}));
    EXPECT_FALSE(lf_cancelStaticCreation("BAW1"));
}

// A pass that offers only parked aircraft collects first: cancelling a parked aircraft's callsign
// also erases an earlier taxiing aircraft of that callsign, which must not move records under it.
TEST_F(CreationCancelTest, CollectThenCancelOverParkedAircraftOnly) {
    const CancelCase c{"parked only",
                       {{"BAW1", kNew, Creation::queued, 0},
                        {"BAW2", kIn, Creation::none, 2},
                        {"BAW1", kNew, Creation::queued, 1},
                        {"BAW3", kNew, Creation::sent, 3},
                        {"BAW4", kNew, Creation::queued, 0}},
                       {{"BAW1", 0}, {"BAW4", 4}, {"BAW1", 2}},
                       {}};
    build(c, trafficState.live, trafficState.liveCreations);
    std::vector<LiveAircraft>& live = trafficState.live;
    for (const std::size_t parked : {1U, 2U, 3U}) {
        live[parked].setPhase(FlightPhase::parked);
    }
    live[0].setPhase(FlightPhase::taxi);
    live[4].setPhase(FlightPhase::taxi);

    struct Collected {
        std::string callsign;
        std::uint32_t key;
    };
    std::vector<Collected> collected;
    for (LiveAircraft& aircraft : live) {
        if (aircraft.phase != FlightPhase::parked) {
            continue;
        }
        if (aircraft.state == LiveState::inSimulator) {
            trafficState.linkServices.releaseAiAircraft(aircraft);
        } else if (aircraft.state == LiveState::creationRequested) {
            collected.push_back({aircraft.callsign, aircraft.flightKey});
        }
    }
    std::vector<std::string> cancels;
    for (const Collected& entry : collected) {
        const bool result = gf_cancelQueuedCreations(entry.callsign);
        cancels.push_back(fmt::format("{}:{}", entry.callsign, result));
        for (LiveAircraft& aircraft : live) {
            if (aircraft.flightKey == entry.key && aircraft.state == LiveState::creationRequested) {
                aircraft.removeOnceCreated = true;
            }
        }
    }
    EXPECT_EQ(cancels, (std::vector<std::string>{"BAW1:true", "BAW3:false"}));
    std::vector<std::string> remaining;
    for (const LiveAircraft& aircraft : live) {
        remaining.push_back(aircraft.callsign + lf_indexText(aircraft.flightKey) +
                            (aircraft.removeOnceCreated ? "*" : ""));
    }
    EXPECT_EQ(remaining, (std::vector<std::string>{"BAW4#4", "BAW2#1", "BAW3#3*"}));
    ASSERT_EQ(trafficState.liveCreations.size(), 1U);
    EXPECT_EQ(trafficState.liveCreations.front().callsign, "BAW4");
    EXPECT_EQ(live[1].state, LiveState::beingRemoved);
    EXPECT_FALSE(gf_findStandById(1)->occupied);
    EXPECT_FALSE(gf_findStandById(2)->occupied);
    EXPECT_TRUE(gf_findStandById(3)->occupied);
}

} // namespace
} // namespace ksb::test
