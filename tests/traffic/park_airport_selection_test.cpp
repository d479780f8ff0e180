// Choosing the park airport over a few candidates: on the ground, airborne, its drop when it goes
// out of sight or a nearer candidate comes into sight, and the guard of an unknown position.
#include "park_airport_fixture.h"

#include "core/time_text.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ksb::test {
namespace {

// Near EGLL, EGKK 17 NM away: both in range, EGLL the nearer.
const Position kNearEgll{51.42, -0.40};
// More than AIRPORT_RANGE (20 NM) from every airport of the list.
const Position kFarAway{52.5, -2.0};

class ParkAirportSelectionTest : public ParkAirportFixture {
protected:
    void SetUp() override {
        ParkAirportFixture::SetUp();
        writeBytes(gf_parkAirportsFilePath(), "EGKK\nEGLL\nEGSS\n");
        ASSERT_TRUE(readList());
    }

    // The choice as the engine, the park snapshot and the window show it.
    void expectChoice(const Airport* airport) const {
        if (airport == nullptr) {
            EXPECT_EQ(parkCode(), "");
            EXPECT_EQ(gf_parkAirportState().name, "");
            EXPECT_EQ(snapshotText(), "none");
            EXPECT_EQ(windowText(WindowText::airportDisplayName), "");
            return;
        }
        EXPECT_EQ(parkCode(), airport->code);
        EXPECT_EQ(gf_parkAirportState().name, airport->code);
        EXPECT_EQ(snapshotText(),
                  fmt::format("{} {:.4f} {:.4f}", airport->code, airport->lat, airport->lon));
        EXPECT_EQ(windowText(WindowText::airportDisplayName),
                  fmt::format("{} ({})", airport->code, airport->iata));
    }

    static std::string inSightMessage(const Airport& airport, const Position& user) {
        return fmt::format("{} in sight at {:.1F} nm", airport.code,
                           gf_distanceNM(user, parkPositionOf(airport)));
    }

    // The lines begin with these.
    static void expectLinesStartWith(const std::vector<std::string>& lines,
                                     const std::vector<std::string>& first) {
        ASSERT_GE(lines.size(), first.size());
        EXPECT_EQ(std::vector<std::string>(
                      lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(first.size())),
                  first);
    }
};

TEST_F(ParkAirportSelectionTest, OnTheGroundTheAirportUnderTheUserWithAFileIsChosen) {
    // Taxiing, so that no stand is recorded.
    placeUser(parkPositionOf(kParkEgll), true, 0.0, 10.0);
    std::size_t lines = logMark();
    check(true);
    expectChoice(&kParkEgll);
    expectLinesStartWith(logSince(lines), {"User aircraft on the ground at EGLL (LHR)",
                                           "The park airport is EGLL (LHR)",
                                           "read_apf: airports/archive/stock/EGLL.xml"});
    EXPECT_TRUE(mainWindow.parkAirportLoaded.load());
    EXPECT_EQ(windowText(WindowText::parkAirportName), "EGLL (LHR)");

    // The main loop's check waits one check for the feed's collected flights.
    {
        std::lock_guard lock(trafficState.trafficMutex);
        ksb::gf_clearParkAirport();
    }
    expectChoice(nullptr);
    harness.link().clearCalls();
    lines = logMark();
    check(false);
    expectChoice(&kParkEgll);
    EXPECT_FALSE(mainWindow.parkAirportLoaded.load());
    EXPECT_EQ(harness.link().callsOf("lockControls").size(), 1U);
    EXPECT_EQ(collects.load(), 1);
    EXPECT_EQ(logSince(lines),
              (std::vector<std::string>{"User aircraft on the ground at EGLL (LHR)",
                                        "The park airport is EGLL (LHR)"}));
    lines = logMark();
    check(false);
    EXPECT_TRUE(mainWindow.parkAirportLoaded.load());
    expectLinesStartWith(logSince(lines), {"read_apf: airports/archive/stock/EGLL.xml"});
}

TEST_F(ParkAirportSelectionTest, OnTheGroundWithoutAnAirportFileOrAirportNothingIsChosen) {
    struct Case {
        const char* name;
        Position user;
        const char* message;
    };
    const Case cases[] = {
        {"an airport without a file", parkPositionOf(kParkEglc),
         "User aircraft on the ground at EGLC (LCY), no airport file found"},
        {"no airport", Position{50.0, -3.0}, "User aircraft on the ground, no airport in sight"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        placeUser(c.user, true);
        const std::size_t lines = logMark();
        const std::size_t messages = messageMark();
        check(true);
        expectChoice(nullptr);
        EXPECT_EQ(logSince(lines), std::vector<std::string>{});
        EXPECT_EQ(messagesSince(messages), (std::vector<RecordedMessage>{
                                               {RecordedMessage::Kind::message, c.message, true}}));
        EXPECT_EQ(harness.link().callsOf("lockControls").size(), 0U);
    }
}

TEST_F(ParkAirportSelectionTest, AirborneTheNearestInSightIsLoadedAtTheNextCheckAndDroppedLater) {
    // Two candidates in range, but above AIRPORT_HEIGHT: nothing.
    check(false);
    expectChoice(nullptr);

    placeUser(kParkUserStart, false, 3000.0);
    std::size_t messages = messageMark();
    std::size_t lines = logMark();
    check(false);
    expectChoice(&kParkEgkk);
    EXPECT_EQ(messagesSince(messages),
              (std::vector<RecordedMessage>{{RecordedMessage::Kind::message,
                                             inSightMessage(kParkEgkk, kParkUserStart), true}}));
    EXPECT_EQ(logSince(lines), std::vector<std::string>{"The park airport is EGKK (LGW)"});
    EXPECT_FALSE(mainWindow.parkAirportLoaded.load());
    EXPECT_EQ(harness.link().callsOf("lockControls").size(), 1U);
    EXPECT_EQ(collects.load(), 1);

    // 16 s later.
    lines = logMark();
    check(false);
    EXPECT_TRUE(mainWindow.parkAirportLoaded.load());
    expectLinesStartWith(logSince(lines), {"read_apf: airports/archive/stock/EGKK.xml"});

    // A nearer candidate in sight: the park airport goes first, the next check chooses.
    placeUser(kNearEgll, false, 3000.0);
    lines = logMark();
    check(false);
    expectChoice(nullptr);
    EXPECT_FALSE(mainWindow.parkAirportLoaded.load());
    EXPECT_EQ(logSince(lines),
              (std::vector<std::string>{
                  "", fmt::format("{} EGLL is in sight ({:.1F} nm), parked aircraft at EGKK (LGW) "
                                  "will be removed first",
                                  gf_logTimeStamp(),
                                  gf_distanceNM(kNearEgll, parkPositionOf(kParkEgll)))}));
    messages = messageMark();
    check(false);
    expectChoice(&kParkEgll);
    EXPECT_EQ(messagesSince(messages),
              (std::vector<RecordedMessage>{
                  {RecordedMessage::Kind::message, inSightMessage(kParkEgll, kNearEgll), true}}));
    check(false);
    EXPECT_TRUE(mainWindow.parkAirportLoaded.load());

    // Out of sight.
    placeUser(kFarAway, false, 3000.0);
    lines = logMark();
    check(false);
    expectChoice(nullptr);
    EXPECT_EQ(logSince(lines),
              (std::vector<std::string>{
                  "", fmt::format("{} EGLL (LHR) is out of sight ({:.1F} nm), parked aircraft will "
                                  "be removed",
                                  gf_logTimeStamp(),
                                  gf_distanceNM(kFarAway, parkPositionOf(kParkEgll)))}));
}

// The simulator reports near 0/0 until it has a real position: nothing is chosen or dropped.
TEST_F(ParkAirportSelectionTest, NoChoiceAndNoDropWhileThePositionIsUnknown) {
    placeUser(Position{0.0, 0.0}, true);
    check(true);
    expectChoice(nullptr);

    placeUser(kParkUserStart, false, 3000.0);
    check(false);
    check(false);
    expectChoice(&kParkEgkk);
    struct Case {
        const char* name;
        Position user;
        bool dropped;
    };
    const Case cases[] = {
        {"the origin", Position{0.0, 0.0}, false},
        {"the far corner of the box", Position{0.0009, 0.05}, false},
        {"just outside it", Position{0.0010, 0.0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        placeUser(c.user, false, 3000.0);
        const std::size_t lines = logMark();
        check(false);
        expectChoice(c.dropped ? nullptr : &kParkEgkk);
        EXPECT_EQ(logSince(lines).size(), c.dropped ? 2U : 0U);
        std::lock_guard lock(trafficState.trafficMutex);
        const Position sorted = trafficState.sortPosition;
        EXPECT_EQ(sorted.latitude, c.dropped ? c.user.latitude : kParkUserStart.latitude);
    }
}

// An airport chosen on the ground need not be a candidate: in sight is measured from the airport.
TEST_F(ParkAirportSelectionTest, AGroundChosenAirportOutsideTheListIsKeptInRangeAfterTakeOff) {
    writeBytes(gf_parkAirportsFilePath(), "EGSS\n");
    ASSERT_TRUE(readList());
    placeUser(parkPositionOf(kParkEgkk), true, 0.0, 10.0);
    check(true);
    expectChoice(&kParkEgkk);
    EXPECT_EQ(listRecords(), std::vector<std::string>{"EGSS,"});

    const Position climbing{51.23, -0.19}; // 5 NM north
    placeUser(climbing, false, 2000.0);
    std::size_t lines = logMark();
    check(false);
    expectChoice(&kParkEgkk);
    EXPECT_EQ(logSince(lines), std::vector<std::string>{});

    const Position away{51.0, -0.75}; // beyond 20 NM
    placeUser(away, false, 4000.0);
    lines = logMark();
    check(false);
    expectChoice(nullptr);
    EXPECT_EQ(
        logSince(lines),
        (std::vector<std::string>{
            "", fmt::format("{} EGKK (LGW) is out of sight ({:.1F} nm), parked aircraft will "
                            "be removed",
                            gf_logTimeStamp(), gf_distanceNM(away, parkPositionOf(kParkEgkk)))}));
}

} // namespace
} // namespace ksb::test
