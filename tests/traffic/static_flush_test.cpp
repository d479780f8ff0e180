// The flush of the static aircraft, whose cancels erase records under its walk, and the clearing
// of the user's reserved stand: a static aircraft first, else a parked live one, and nothing for
// an unknown name.
#include "conflict_rules_fixture.h"

#include "traffic/reserved_stand.h"
#include "traffic/stand_table.h"
#include "traffic/startup_sequences.h"
#include "traffic/static_flush.h"
#include "traffic/traffic.h"

#include <algorithm>
#include <limits>
#include <mutex>

namespace ksb::test {
namespace {

// How a static aircraft stands before the flush. "reported": the simulator reported its object
// (100 + key) and its start-up sequence runs; "reportedAfterRelease" the same after a release
// that came before the object.
enum class Flushed { inSimulator, queued, sent, beingRemoved, reported, reportedAfterRelease };

class StaticFlushTest : public ConflictRulesTest {
protected:
    StaticFlushTest() { addStands(3); }

    // A static aircraft "EZY<key>*" on stand key % 3 + 1; a queued one has its request in the
    // static creation queue, a sent one none any more.
    static void addFlushed(std::uint32_t key, Flushed how) {
        LiveState state = LiveState::inSimulator;
        if (how == Flushed::queued || how == Flushed::sent || how == Flushed::reported) {
            state = LiveState::creationRequested;
        } else if (how == Flushed::beingRemoved || how == Flushed::reportedAfterRelease) {
            state = LiveState::beingRemoved;
        }
        const std::string tail = fmt::format("EZY{}*", key);
        StaticAircraftBuilder builder(tail, key);
        builder.stand(key % 3 + 1, kConflictUser).state(state);
        if (how == Flushed::reportedAfterRelease) {
            builder.objectId(0);
        }
        addStaticAircraft(builder);
        if (how == Flushed::queued) {
            AiCreateRequest request;
            request.callsign = tail;
            request.flightKey = key;
            trafficState.staticCreations.push_back(request);
        }
        if (how == Flushed::reported || how == Flushed::reportedAfterRelease) {
            trafficState.startupSequences.push_back(
                SimInboundRecord{100 + key, key, 120, SimInboundKind::staticAdded, 0.0, 0.0});
        }
    }
    // "EZY<key>*" and its state as a word, "+" for the remove-when-created mark.
    static std::vector<std::string> staticsLeft() {
        std::vector<std::string> out;
        for (const AiAircraft& parked : trafficState.statics) {
            out.push_back(fmt::format("{} {}{}", parked.callsign, static_cast<int>(parked.state),
                                      parked.removeOnceCreated ? "+" : ""));
        }
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST_F(StaticFlushTest, EveryStaticAircraftIsReleasedCancelledOrMarked) {
    struct Case {
        const char* name;
        std::vector<Flushed> statics; // keys 1, 2, ...
        std::vector<std::string> released;
        std::vector<std::string> left;
        std::vector<std::uint32_t> removals;
    };
    const Case cases[] = {
        {"in the simulator", {Flushed::inSimulator}, {"EZY1*"}, {"EZY1* 4"}, {1001}},
        {"queued: cancelled and erased", {Flushed::queued}, {}, {}, {}},
        {"sent: removed once created", {Flushed::sent}, {}, {"EZY1* 1+"}, {}},
        {"being removed: not queued again", {Flushed::beingRemoved}, {}, {"EZY1* 4"}, {}},
        // The cancels move the last records into the erased places.
        {"queued first, the last in the simulator",
         {Flushed::queued, Flushed::sent, Flushed::inSimulator},
         {"EZY3*"},
         {"EZY2* 1+", "EZY3* 4"},
         {1003}},
        {"queued at both ends",
         {Flushed::queued, Flushed::inSimulator, Flushed::beingRemoved, Flushed::sent,
          Flushed::queued},
         {"EZY2*"},
         {"EZY2* 4", "EZY3* 4", "EZY4* 1+"},
         {1002}},
        {"all queued", {Flushed::queued, Flushed::queued, Flushed::queued}, {}, {}, {}},
        // Its sequence's end may never come (an exit stops the ticks): the removal goes now.
        {"reported, in its start-up sequence", {Flushed::reported}, {"EZY1*"}, {"EZY1* 4"}, {101}},
        {"released before its object came, in its start-up sequence",
         {Flushed::reportedAfterRelease},
         {},
         {"EZY1* 4"},
         {101}},
        {"reported between a queued and a sent one",
         {Flushed::queued, Flushed::reported, Flushed::sent, Flushed::reportedAfterRelease},
         {"EZY2*"},
         {"EZY2* 4", "EZY3* 1+", "EZY4* 4"},
         {102, 104}},
        {"none", {}, {}, {}, {}},
    };
    std::lock_guard traffic(trafficState.trafficMutex);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearAircraft();
        trafficState.startupSequences.clear();
        std::uint32_t key = 1;
        for (const Flushed how : c.statics) {
            addFlushed(key++, how);
        }
        ::gf_removeAllStatic();
        for (const SimInboundRecord& sequence : trafficState.startupSequences) {
            EXPECT_EQ(sequence.counter, std::numeric_limits<std::uint32_t>::max())
                << "the sequence of object " << sequence.objectId << " ends with the flush";
        }
        EXPECT_EQ(released(), c.released);
        EXPECT_EQ(staticsLeft(), c.left);
        EXPECT_TRUE(trafficState.staticCreations.empty());
        EXPECT_EQ(
            std::vector<std::uint32_t>(trafficState.removals.begin(), trafficState.removals.end()),
            c.removals);
        // A second flush queues and marks nothing new.
        ::gf_removeAllStatic();
        EXPECT_EQ(released(), c.released);
        EXPECT_EQ(staticsLeft(), c.left);
        EXPECT_EQ(trafficState.removals.size(), c.removals.size());
        // The ended sequences park nothing and queue no second removal.
        for (int i = 0; i < 200; ++i) {
            ::lf_runStartupSequences();
        }
        EXPECT_EQ(trafficState.removals.size(), c.removals.size());
        EXPECT_TRUE(link().callsOf("shutdownAiAircraft").empty());
        EXPECT_EQ(staticsLeft(), c.left);
    }
}

TEST_F(StaticFlushTest, TheReservedStandIsClearedOfOneAircraft) {
    struct Standing {
        bool isStatic;
        const char* standName; // "" without a stand
        LiveState state = LiveState::inSimulator;
        FlightPhase phase = FlightPhase::parked; // live only
    };
    struct Case {
        const char* name;
        const char* reserved;
        std::vector<Standing> aircraft; // statics EZY<n>*, live BAW<n>
        std::vector<std::string> released;
    };
    const Case cases[] = {
        {"a static aircraft", "A2", {{true, "A1"}, {true, "A2"}, {false, "A2"}}, {"EZY2*"}},
        {"the first static in the simulator",
         "A2",
         {{true, "A2", LiveState::beingRemoved},
          {true, "A2", LiveState::creationRequested},
          {true, "A2"}},
         {"EZY3*"}},
        {"a parked live aircraft when no static stands there",
         "A2",
         {{true, "A2", LiveState::creationRequested}, {false, "A1"}, {false, "A2"}},
         {"BAW3"}},
        {"a live aircraft taxiing onto it stays",
         "A2",
         {{false, "A2", LiveState::inSimulator, FlightPhase::taxi}},
         {}},
        {"a live aircraft moving in from a neighbour stays",
         "A2",
         {{false, "A2", LiveState::inSimulator, FlightPhase::movingToAdjacentStand}},
         {}},
        {"a parked live aircraft being removed",
         "A2",
         {{false, "A2", LiveState::beingRemoved}},
         {}},
        {"an unknown name", "Z9", {{true, ""}, {false, ""}, {true, "A1"}}, {}},
        {"no reserved stand", "", {{true, ""}, {false, ""}, {true, "A1"}}, {}},
    };
    std::lock_guard traffic(trafficState.trafficMutex);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearAircraft();
        trafficState.reservedStand = c.reserved;
        std::uint32_t n = 1;
        for (const Standing& s : c.aircraft) {
            const ParkPosition* stand = gf_findStandByName(s.standName);
            const std::uint32_t standId = *s.standName == '\0' ? 0 : stand->standId;
            if (s.isStatic) {
                addStaticAircraft(StaticAircraftBuilder(fmt::format("EZY{}*", n), n)
                                      .stand(standId, kConflictUser)
                                      .state(s.state));
            } else {
                LiveAircraft& live = addLiveAt(fmt::format("BAW{}", n), 20000 + n, kConflictUser,
                                               true, 0.0, 0.0, s.state);
                live.setPhase(s.phase);
                live.standId = standId;
            }
            ++n;
        }
        trafficState.reservedStandFlag = true;
        ::gf_clearReservedStand();
        EXPECT_EQ(released(), c.released);
        EXPECT_EQ(trafficState.removals.size(), c.released.size());
        EXPECT_TRUE(log_.body().empty());
        // The flag is left to whoever set it.
        EXPECT_TRUE(trafficState.reservedStandFlag.load());
    }
}

} // namespace
} // namespace ksb::test
