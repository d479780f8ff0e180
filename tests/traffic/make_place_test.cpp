// Static parked aircraft give way to a live aircraft that takes their stand or its neighbour.
#include "placement_test_fixture.h"

#include "core/time_text.h"
#include "traffic/make_place.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

enum class Sent { no, yes }; // whether a state-1 aircraft's request has gone to the simulator

struct StaticSpec {
    const char* callsign;
    const char* standName; // "S" the wanted stand, "N" its neighbour, "F" far away
    LiveState state = LiveState::inSimulator;
    Sent sent = Sent::no;
    const char* registration = "G-STAT";
    const char* firstReceived = "";
};

struct MakePlaceCase {
    const char* name;
    std::vector<StaticSpec> statics;
    double neighbourMetres = 30.0; // two A320 half spans make 34.1 m
    std::vector<std::string> released;
    std::vector<std::string> remaining;       // callsigns, "*" after a marked one
    std::vector<std::string> queuedRemaining; // static requests left
    std::vector<std::string> lines;           // with "{}" for the time stamp
};

class MakePlaceTest : public PlacementTest {
protected:
    static std::string remainingText(const AiAircraft& a) {
        return a.callsign + (a.removeOnceCreated ? "*" : "");
    }
};

TEST_F(MakePlaceTest, StaticAircraftOnAndBesideTheStandGiveWay) {
    const MakePlaceCase cases[] = {
        {"in the simulator on the stand: released",
         {{"EZY1*", "S"}},
         30.0,
         {"EZY1*"},
         {"EZY1*"},
         {},
         {"S       : EZY1*    G-STAT makes place for BAW123 G-EUUA {}"}},
        {"queued on the stand: cancelled and erased",
         {{"EZY1*", "S", LiveState::creationRequested},
          {"EZY2*", "F", LiveState::creationRequested}},
         30.0,
         {},
         {"EZY2*"},
         {"EZY2*"},
         {"queued S       : EZY1*    G-STAT makes place for BAW123 G-EUUA {}"}},
        {"already sent: removed once created",
         {{"EZY1*", "S", LiveState::creationRequested, Sent::yes}},
         30.0,
         {},
         {"EZY1**"},
         {},
         {"queued S       : EZY1*    G-STAT makes place for BAW123 G-EUUA {}"}},
        {"being removed: nothing, and the walk ends there",
         {{"EZY1*", "S", LiveState::beingRemoved}, {"EZY2*", "S"}},
         30.0,
         {},
         {"EZY1*", "EZY2*"},
         {},
         {}},
        {"only the first on the stand gives way",
         {{"EZY3*", "F"}, {"EZY1*", "S"}, {"EZY2*", "S"}},
         30.0,
         {"EZY1*"},
         {"EZY3*", "EZY1*", "EZY2*"},
         {},
         {"S       : EZY1*    G-STAT makes place for BAW123 G-EUUA {}"}},
        {"the same live version by its received callsign",
         {{"BAW1*", "S", LiveState::inSimulator, Sent::no, "G-OTHR", "BAW123"}},
         30.0,
         {"BAW1*"},
         {"BAW1*"},
         {},
         {"S       : BAW1*    G-OTHR makes place for the same live version BAW123 G-EUUA {}"}},
        {"the same live version by its registration",
         {{"BAW1*", "S", LiveState::inSimulator, Sent::no, "G-EUUA"}},
         30.0,
         {"BAW1*"},
         {"BAW1*"},
         {},
         {"S       : BAW1*    G-EUUA makes place for the same live version BAW123 G-EUUA {}"}},
        {"neighbour whose wings overlap: released",
         {{"EZY4*", "N"}},
         30.0,
         {"EZY4*"},
         {"EZY4*"},
         {},
         {"N       : EZY4*    removed by adjacent parking BAW123 at 1"}},
        {"neighbour far enough apart stays", {{"EZY4*", "N"}}, 40.0, {}, {"EZY4*"}, {}, {}},
        {"queued neighbour stays",
         {{"EZY4*", "N", LiveState::creationRequested}},
         30.0,
         {},
         {"EZY4*"},
         {"EZY4*"},
         {}},
        {"stand and neighbour both give way",
         {{"EZY4*", "N"}, {"EZY1*", "S"}},
         30.0,
         {"EZY1*", "EZY4*"},
         {"EZY4*", "EZY1*"},
         {},
         {"S       : EZY1*    G-STAT makes place for BAW123 G-EUUA {}",
          "N       : EZY4*    removed by adjacent parking BAW123 at 1"}},
    };
    for (const bool log : {true, false}) {
        for (const MakePlaceCase& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (log ? ", LOG on" : ", LOG off"));
            LOG.setRaw(log);
            LogCapture capture;
            harness.link().clearCalls();
            trafficState.live.clear();
            trafficState.statics.clear();
            trafficState.staticCreations.clear();
            trafficState.removals.clear();
            stands().clear();
            ParkPosition& stand = addStand("S", 0.0);
            addStand("N", c.neighbourMetres);
            addStand("F", 500.0);
            // An unknown neighbour id is passed over.
            stand.adjacentStandIds = {2, 9};
            std::uint32_t key = 1;
            for (const StaticSpec& s : c.statics) {
                AiAircraft aircraft;
                aircraft.callsign = s.callsign;
                aircraft.registration = s.registration;
                aircraft.firstReceivedCallsign = s.firstReceived;
                aircraft.type = "A320";
                aircraft.flightKey = key;
                aircraft.objectId = s.state == LiveState::inSimulator ? 200 + key : 0;
                aircraft.standId = gf_findStandByName(s.standName)->standId;
                aircraft.state = s.state;
                if (s.state == LiveState::creationRequested && s.sent == Sent::no) {
                    AiCreateRequest request;
                    request.callsign = s.callsign;
                    request.flightKey = key;
                    trafficState.staticCreations.push_back(request);
                }
                trafficState.statics.push_back(aircraft);
                ++key;
            }
            LiveAircraft& aircraft = addFlight(flightAt(0.0).standing(3, true));
            {
                std::lock_guard lock(trafficState.trafficMutex);
                lf_makePlaceFor(aircraft, stand);
            }

            std::vector<std::string> released;
            for (const std::string& call : harness.link().callsOf("releaseAiAircraft")) {
                released.push_back(
                    call.substr(call.find('(') + 1, call.size() - call.find('(') - 2));
            }
            EXPECT_EQ(released, c.released);
            std::vector<std::string> remaining;
            for (const AiAircraft& a : trafficState.statics) {
                remaining.push_back(remainingText(a));
            }
            EXPECT_EQ(remaining, c.remaining);
            std::vector<std::string> queued;
            for (const AiCreateRequest& r : trafficState.staticCreations) {
                queued.push_back(r.callsign);
            }
            EXPECT_EQ(queued, c.queuedRemaining);
            std::vector<std::string> expected;
            if (log) {
                for (const std::string& line : c.lines) {
                    expected.push_back(fmt::format(fmt::runtime(line), gf_logTimeStamp()));
                }
            }
            EXPECT_EQ(capture.body(), expected);
        }
    }
}

} // namespace
} // namespace ksb::test
