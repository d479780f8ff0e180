// A static parked aircraft that stands for a live one: the identity rules in their order (hexid,
// registration, callsign) with their lines, empty texts that never match, only statics in the
// simulator; and the twin rule of the 61-s pass.
#include "conflict_rules_fixture.h"

#include "traffic/static_identity.h"
#include "traffic/traffic.h"

#include <mutex>

namespace ksb::test {
namespace {

constexpr std::uint32_t kIdentityKey = 0x4ca001;

class StaticIdentityTest : public ConflictRulesTest {
protected:
    StaticIdentityTest() { addStands(1); }
};

TEST_F(StaticIdentityTest, TheFirstRuleThatHoldsDecidesAndWritesItsLine) {
    struct Case {
        const char* name;
        // The live aircraft; its callsign as received is its callsign.
        const char* callsign = "BAW123";
        const char* liveCoupled = "";
        const char* liveRegistration = "G-EUUA";
        std::uint32_t liveKey = kIdentityKey;
        bool onGround = true;
        // The static aircraft "EZY9*" on stand A1.
        std::uint32_t hexid = 0;
        const char* received = "EZY9";
        const char* coupled = "";
        const char* registration = "G-EZAA";
        LiveState state = LiveState::inSimulator;
        const char* line = nullptr; // no match
    };
    const Case cases[] = {
        {.name = "same hexid",
         .hexid = kIdentityKey,
         .line = "A1      : EZY9*    removed, new on ground BAW123 has same hexid"},
        {.name = "same hexid, airborne",
         .onGround = false,
         .hexid = kIdentityKey,
         .line = "A1      : EZY9*    removed, new airborne BAW123 has same hexid"},
        {.name = "the same value, but no hexid at 10000", .liveKey = 10000, .hexid = 10000},
        {.name = "another hexid", .hexid = kIdentityKey + 1},
        {.name = "hexid before registration and callsign",
         .hexid = kIdentityKey,
         .received = "BAW123",
         .registration = "G-EUUA",
         .line = "A1      : EZY9*    removed, new on ground BAW123 has same hexid"},
        {.name = "same registration",
         .hexid = kIdentityKey + 1,
         .registration = "G-EUUA",
         .line = "A1      : EZY9*    A320 removed, new on ground BAW123 has same regcode G-EUUA"},
        {.name = "registration before callsign",
         .received = "BAW123",
         .registration = "G-EUUA",
         .line = "A1      : EZY9*    A320 removed, new on ground BAW123 has same regcode G-EUUA"},
        {.name = "two empty registrations", .liveRegistration = "", .registration = ""},
        {.name = "same callsign as received",
         .received = "BAW123",
         .line = "A1      : EZY9*    \"BAW123 \" removed, new on ground BAW123 \"BAW123 \" has "
                 "same callsign BAW123"},
        {.name = "the live callsign is the static's coupled one",
         .coupled = "BAW123",
         .line = "A1      : EZY9*    \"EZY9 BAW123\" removed, new on ground BAW123 \"BAW123 \" "
                 "has coupled callsign BAW123"},
        {.name = "the live coupled callsign is the static's as received",
         .liveCoupled = "EZY9",
         .line = "A1      : EZY9*    \"EZY9 \" removed, new on ground BAW123 \"BAW123 EZY9\" has "
                 "coupled callsign EZY9"},
        {.name = "both coupled callsigns",
         .liveCoupled = "BAW124",
         .onGround = false,
         .coupled = "BAW124",
         .line = "A1      : EZY9*    \"EZY9 BAW124\" removed, new airborne BAW123 \"BAW123 "
                 "BAW124\" has coupled callsign BAW124"},
        {.name = "a ghost of the static's flight",
         .callsign = "EZY9_",
         .line = "A1      : EZY9*    \"EZY9 \" removed, new on ground EZY9_ \"EZY9_ \" has "
                 "coupled callsign EZY9"},
        {.name = "a ghost of its coupled flight",
         .callsign = "BAW124_",
         .coupled = "BAW124",
         .line = "A1      : EZY9*    \"EZY9 BAW124\" removed, new on ground BAW124_ \"BAW124_ "
                 "\" has coupled callsign BAW124"},
        {.name = "two empty coupled callsigns", .received = "KLM1"},
        {.name = "a lone \"_\" is no ghost of an empty text", .callsign = "_", .received = ""},
        {.name = "a two-character ghost",
         .callsign = "X_",
         .received = "X",
         .line = "A1      : EZY9*    \"X \" removed, new on ground X_ \"X_ \" has coupled "
                 "callsign X"},
        {.name = "callsign without the ghost mark is no match", .callsign = "EZY9X"},
        {.name = "queued static, same hexid",
         .hexid = kIdentityKey,
         .state = LiveState::creationRequested},
        {.name = "static being removed, same callsign",
         .received = "BAW123",
         .state = LiveState::beingRemoved},
        {.name = "static being removed, same registration",
         .registration = "G-EUUA",
         .state = LiveState::beingRemoved},
    };
    std::lock_guard traffic(trafficState.trafficMutex);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture capture;
        clearAircraft();
        LiveAircraft& live = addLiveAt(c.callsign, 1, kConflictUser, c.onGround);
        live.flightKey = c.liveKey;
        live.firstReceivedCallsign = c.callsign;
        live.coupledCallsign = c.liveCoupled;
        live.registration = c.liveRegistration;
        const AiAircraft& parked = addStaticAircraft(StaticAircraftBuilder("EZY9*", 9)
                                                         .hexid(c.hexid)
                                                         .received(c.received)
                                                         .coupled(c.coupled)
                                                         .registration(c.registration)
                                                         .stand(1, kConflictUser)
                                                         .state(c.state));
        EXPECT_EQ(::lf_checkSameIdentity(live, parked), c.line != nullptr);
        // It only decides: the identity step of the main loop releases.
        EXPECT_EQ(parked.state, c.state);
        EXPECT_TRUE(released().empty());
        EXPECT_EQ(capture.body(), c.line != nullptr ? std::vector<std::string>{c.line}
                                                    : std::vector<std::string>{});
    }
}

TEST_F(StaticIdentityTest, WithLogOffNothingIsWritten) {
    LOG.setRaw(false);
    std::lock_guard traffic(trafficState.trafficMutex);
    const LiveAircraft& live = addLiveAt("BAW123", 1, kConflictUser, true);
    const AiAircraft& parked =
        addStaticAircraft(StaticAircraftBuilder("BAW123*", 9).received("BAW123"));
    EXPECT_TRUE(::lf_checkSameIdentity(live, parked));
    EXPECT_TRUE(log_.body().empty());
}

TEST_F(StaticIdentityTest, TheTwinOfALiveAircraftOnTheGroundIsReleased) {
    struct Twin {
        const char* tail;
        const char* registration = "G-EZAA";
        LiveState state = LiveState::inSimulator;
        std::uint32_t hexid = 0;
    };
    struct Case {
        const char* name;
        std::vector<Twin> statics;
        std::vector<std::string> released;
        const char* callsign = "ABC123";
        const char* registration = "G-ABCD";
        bool onGround = true;
        LiveState state = LiveState::inSimulator;
    };
    const Case cases[] = {
        {"its callsign and \"*\"", {{"ABC123*"}}, {"ABC123*"}},
        {"its registration", {{"EZY1*", "G-ABCD"}}, {"EZY1*"}},
        {"the first of two twins", {{"EZY1*", "G-ABCD"}, {"ABC123*"}}, {"EZY1*"}},
        {"the twin after one being removed",
         {{"ABC123*", "G-EZAA", LiveState::beingRemoved}, {"EZY1*", "G-ABCD"}},
         {"EZY1*"}},
        {"a queued twin stays", {{"ABC123*", "G-EZAA", LiveState::creationRequested}}, {}},
        {"a tail without \"*\"", {{"ABC123"}}, {}},
        {"the same hexid alone", {{"EZY1*", "G-EZAA", LiveState::inSimulator, 0x4ca001}}, {}},
        {"two empty registrations", {{"EZY1*", ""}}, {}, "ABC123", ""},
        {"an empty callsign and a tail of \"*\"", {{"*"}}, {}, ""},
        {"the live aircraft airborne", {{"ABC123*"}}, {}, "ABC123", "G-ABCD", false},
        {"the live aircraft being removed",
         {{"ABC123*"}},
         {},
         "ABC123",
         "G-ABCD",
         true,
         LiveState::beingRemoved},
        {"the live aircraft not yet in the simulator",
         {{"ABC123*"}},
         {},
         "ABC123",
         "G-ABCD",
         true,
         LiveState::creationRequested},
    };
    std::lock_guard traffic(trafficState.trafficMutex);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearAircraft();
        LiveAircraft& live =
            addLiveAt(c.callsign, 0x4ca001, kConflictUser, c.onGround, 0.0, 0.0, c.state);
        live.registration = c.registration;
        std::uint32_t key = 1;
        for (const Twin& twin : c.statics) {
            addStaticAircraft(StaticAircraftBuilder(twin.tail, key++)
                                  .registration(twin.registration)
                                  .hexid(twin.hexid)
                                  .state(twin.state));
        }
        const std::deque<std::uint32_t> before = trafficState.removals;
        ::lf_removeStaticTwinOfLive(live);
        EXPECT_EQ(released(), c.released);
        EXPECT_EQ(trafficState.removals.size(), c.released.size());
        EXPECT_EQ(live.state, c.state);
        EXPECT_TRUE(before.empty());
    }
}

} // namespace
} // namespace ksb::test
