// Loading the park airport (soft learning, the reserved stand, errors), dropping it, and the
// re-read of the list.
#include "park_airport_fixture.h"

#include "traffic/aircraft_lookup.h"
#include "traffic/stand_table.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

// Far enough from every stand of EGLL that the user stands on none.
const Position kOffStand{kParkEgll.lat + 0.002, kParkEgll.lon + 0.003};

class ParkAirportLoadTest : public ParkAirportFixture {
protected:
    void TearDown() override {
        controlsLocked = false;
        ParkAirportFixture::TearDown();
    }

    static void clearPark() {
        std::lock_guard lock(trafficState.trafficMutex);
        ksb::gf_clearParkAirport();
    }
    // The list as given, written to the file as the user keeps it (sorted).
    static void setList(const std::vector<ParkAirport>& records) {
        std::vector<std::string> lines;
        for (const ParkAirport& record : records) {
            lines.push_back(record.reservedStand.empty()
                                ? record.name
                                : record.name + "," + record.reservedStand);
        }
        std::sort(lines.begin(), lines.end());
        std::string bytes;
        for (const std::string& line : lines) {
            bytes += line + "\n";
        }
        writeBytes(gf_parkAirportsFilePath(), bytes);
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.parkAirports.assign(records.begin(), records.end());
    }
    // The reserved stand as the engine, both flags and the window show it: "stand flag valid
    // text".
    static std::string reservedStandState() {
        std::lock_guard lock(trafficState.trafficMutex);
        return fmt::format(
            "'{}' {} {} '{}'", trafficState.reservedStand, trafficState.reservedStandFlag.load(),
            mainWindow.reservedStandValid.load(), windowText(WindowText::reservedStand));
    }
    static void showOldReservedStand() {
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.reservedStand = "old";
        trafficState.reservedStandFlag = true;
        mainWindow.reservedStandValid = true;
        mainWindow.setText(WindowText::reservedStand, "old", kStatisticsRegion);
    }
};

ParkAirport lf_record(const Airport& airport, const std::string& stand) {
    return ParkAirport{airport.code, stand, airport.lat, airport.lon, 0.0};
}

TEST_F(ParkAirportLoadTest, SoftLearningIsSwitchedOffForAnAirportThatLearnedEnoughForReal) {
    struct Case {
        const char* name;
        int stands;
        int quality;
        bool learnSoft;
        bool allowed;
        bool learnSoftAfter;
        bool enabledAfter;
        bool settingsChanged;
    };
    const Case cases[] = {
        {"45 % and 20 stands, LEARN_SOFT on", 20, 45, true, false, false, false, true},
        {"45 % and 20 stands, LEARN_SOFT off", 20, 45, false, false, false, true, false},
        {"44 %", 20, 44, true, true, true, true, false},
        {"19 stands", 19, 45, true, true, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The switch marks the settings changed, so the close saves a learned file: each case
        // starts without one.
        clearPark();
        std::filesystem::remove_all("airports/learned");
        parkAirportFile(kParkEgll, c.stands, c.quality).write(parkStockFile("EGLL"));
        lf_setCheckBox(LEARN_SOFT, c.learnSoft);
        gf_enableControl(LEARN_SOFT.commandId(), !c.allowed || !c.learnSoft);
        {
            std::lock_guard lock(trafficState.trafficMutex);
            trafficState.softLearningAllowed = !c.allowed;
            gf_parkAirportState().learnedUpdateCount = 7;
        }
        ASSERT_EQ(chooseAndLoad("EGLL"), "");
        std::lock_guard lock(trafficState.trafficMutex);
        EXPECT_EQ(trafficState.softLearningAllowed, c.allowed);
        EXPECT_EQ(LEARN_SOFT.value(), c.learnSoftAfter);
        const ControlState box = gf_controlState(LEARN_SOFT.commandId()).value();
        EXPECT_EQ(box.checked, c.learnSoftAfter);
        EXPECT_EQ(box.enabled, c.enabledAfter);
        EXPECT_EQ(parkSettingsChanged.load(), c.settingsChanged);
        EXPECT_EQ(gf_parkAirportState().learnedUpdateCount, 0);
    }
}

TEST_F(ParkAirportLoadTest, TheLoadSettlesTheReservedStandWithoutEverLosingTheRecordedOne) {
    const Position onStand12 = parkStandPosition(kParkEgll, 12);
    struct Case {
        const char* name;
        bool still;
        Position user;
        std::vector<ParkAirport> list;
        std::vector<std::string> listAfter;
        std::string fileAfter;
        std::string reserved; // "stand flag valid text"
    };
    const std::string none = "'' false false ''";
    const std::string reserved11 = "'11' true true '11'";
    const std::string reserved12 = "'12' true true '12'";
    const std::vector<Case> cases = {
        {"still on 12, the park airport first with 11",
         true,
         onStand12,
         {lf_record(kParkEgll, "11"), lf_record(kParkEgkk, "")},
         {"EGLL,12", "EGKK,"},
         "EGKK\nEGLL,12\n",
         reserved12},
        {"still on 12, the park airport further down",
         true,
         onStand12,
         {lf_record(kParkEgkk, ""), lf_record(kParkEgll, "11")},
         {"EGLL,12", "EGKK,"},
         "EGKK\nEGLL,12\n",
         reserved12},
        {"still on 12, the park airport absent",
         true,
         onStand12,
         {lf_record(kParkEgkk, "")},
         {"EGLL,12", "EGKK,"},
         "EGKK\nEGLL,12\n",
         reserved12},
        {"still on 12, the park airport first without a stand",
         true,
         onStand12,
         {lf_record(kParkEgll, "")},
         {"EGLL,12"},
         "EGLL,12\n",
         reserved12},
        {"still on no stand, the park airport first with 11",
         true,
         kOffStand,
         {lf_record(kParkEgll, "11"), lf_record(kParkEgkk, "")},
         {"EGLL,11", "EGKK,"},
         "EGKK\nEGLL,11\n",
         reserved11},
        {"still on no stand, the park airport further down keeps 11",
         true,
         kOffStand,
         {lf_record(kParkEgkk, ""), lf_record(kParkEgll, "11")},
         {"EGLL,11", "EGKK,"},
         "EGKK\nEGLL,11\n",
         reserved11},
        {"still on no stand, the park airport absent",
         true,
         kOffStand,
         {lf_record(kParkEgkk, "")},
         {"EGLL,", "EGKK,"},
         "EGKK\nEGLL\n",
         none},
        {"moving on 12, the park airport first with 11",
         false,
         onStand12,
         {lf_record(kParkEgll, "11"), lf_record(kParkEgkk, "")},
         {"EGLL,11", "EGKK,"},
         "EGKK\nEGLL,11\n",
         reserved11},
        {"moving, the park airport further down",
         false,
         onStand12,
         {lf_record(kParkEgkk, ""), lf_record(kParkEgll, "11")},
         {"EGKK,", "EGLL,11"},
         "EGKK\nEGLL,11\n",
         none},
        {"moving, a stand the table does not have",
         false,
         onStand12,
         {lf_record(kParkEgll, "99")},
         {"EGLL,99"},
         "EGLL,99\n",
         none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearPark();
        setList(c.list);
        placeUser(c.user, true, 0.0, c.still ? 0.0 : 8.0);
        showOldReservedStand();
        ASSERT_EQ(chooseAndLoad("EGLL"), "");
        EXPECT_EQ(listRecords(), c.listAfter);
        EXPECT_EQ(readBytes(gf_parkAirportsFilePath()), c.fileAfter);
        EXPECT_EQ(reservedStandState(), c.reserved);
        EXPECT_TRUE(mainWindow.parkAirportLoaded.load());
        EXPECT_EQ(windowText(WindowText::parkAirportName), "EGLL (LHR)");
    }
}

TEST_F(ParkAirportLoadTest, ALoadErrorIsShownAndClearsEverything) {
    struct Case {
        const char* name;
        const Airport* airport;
        std::function<void()> file;
        std::string error;
    };
    const Case cases[] = {
        {"no airport file", &kParkEglc, [] {}, "EGLC not found"},
        {"a file that does not load", &kParkEgss,
         [] { AirportFileBuilder().raw("<broken").write(parkStockFile("EGSS")); },
         "airports/archive/stock/EGSS.xml found, but could not be loaded:"},
        {"a file without stands", &kParkEgss,
         [] { parkAirportFile(kParkEgss, 0).write(parkStockFile("EGSS")); }, "no stands found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearPark();
        c.file();
        showOldReservedStand();
        mainWindow.staticTarget = 5;
        const std::size_t messages = messageMark();
        {
            std::lock_guard lock(trafficState.trafficMutex);
            ASSERT_TRUE(ksb::lf_setParkAirport(c.airport->code));
            trafficState.standsToFill.push_back(StandToFill{});
            ksb::lf_loadAndCalculate(true);
        }
        EXPECT_EQ(messagesSince(messages),
                  (std::vector<RecordedMessage>{{RecordedMessage::Kind::message, c.error, true}}));
        EXPECT_EQ(parkCode(), "");
        EXPECT_EQ(gf_parkAirportState().name, "");
        EXPECT_EQ(snapshotText(), "none");
        EXPECT_EQ(windowText(WindowText::airportDisplayName), "");
        EXPECT_EQ(windowText(WindowText::parkAirportName), "");
        EXPECT_EQ(reservedStandState(), "'' false false ''");
        EXPECT_FALSE(mainWindow.parkAirportLoaded.load());
        EXPECT_FALSE(gf_parkAirportState().parkAirportLoaded.load());
        EXPECT_EQ(mainWindow.staticTarget.load(), 0);
        std::lock_guard lock(trafficState.trafficMutex);
        EXPECT_TRUE(gf_parkAirportState().stands.empty());
        EXPECT_TRUE(trafficState.standsToFill.empty());
        EXPECT_FALSE(trafficState.parkAirportPendingLoad);
    }
}

// Live aircraft by callsign: "state", "+" when marked to go once created, and the stand id.
std::vector<std::string> lf_liveSummary() {
    std::vector<std::string> summary;
    for (const LiveAircraft& aircraft : trafficState.live) {
        summary.push_back(fmt::format(
            "{} {}{} stand {} {:.4f}", aircraft.callsign, static_cast<int>(aircraft.state),
            aircraft.removeOnceCreated ? "+" : "", aircraft.standId, aircraft.standLatitude));
    }
    std::sort(summary.begin(), summary.end());
    return summary;
}

TEST_F(ParkAirportLoadTest, TheDropRemovesStaticAndParkedAircraftAndForgetsTheStands) {
    ASSERT_EQ(chooseAndLoad("EGLL"), "");
    const auto live = [](const char* callsign, std::uint32_t key, FlightPhase phase,
                         LiveState state, std::uint32_t object, std::uint32_t stand) {
        LiveAircraft aircraft;
        aircraft.callsign = callsign;
        aircraft.flightKey = key;
        aircraft.setPhase(phase);
        aircraft.state = state;
        aircraft.objectId = object;
        aircraft.standId = stand;
        aircraft.standLatitude = stand == 0 ? 0.0 : 51.47;
        aircraft.standLongitude = stand == 0 ? 0.0 : -0.45;
        aircraft.standHeading = stand == 0 ? 0.0 : 1.5;
        return aircraft;
    };
    const auto statik = [](const char* callsign, std::uint32_t key, LiveState state,
                           std::uint32_t object) {
        AiAircraft aircraft;
        aircraft.callsign = callsign;
        aircraft.flightKey = key;
        aircraft.state = state;
        aircraft.objectId = object;
        return aircraft;
    };
    const auto request = [](const char* callsign, std::uint32_t key) {
        AiCreateRequest r{};
        r.callsign = callsign;
        r.flightKey = key;
        return r;
    };
    {
        std::lock_guard lock(trafficState.trafficMutex);
        // DLH9 taxis with its request sent; another DLH9 is parked with its request queued. The
        // cancel erases the queued one, and the last aircraft moves into its place: a walk that
        // cancelled as it went would pass over BAW2.
        trafficState.live = {
            live("DLH9", 20001, FlightPhase::taxi, LiveState::creationRequested, 0, 0),
            live("BAW1", 20002, FlightPhase::parked, LiveState::inSimulator, 301, 1),
            live("DLH9", 20003, FlightPhase::parked, LiveState::creationRequested, 0, 2),
            live("KLM4", 20004, FlightPhase::parked, LiveState::creationRequested, 0, 3),
            live("EZY5", 20005, FlightPhase::taxi, LiveState::inSimulator, 305, 1),
            live("BAW2", 20006, FlightPhase::parked, LiveState::inSimulator, 306, 3),
        };
        trafficState.liveCreations = {request("DLH9", 20003)};
        trafficState.statics = {
            statik("A1*", 1, LiveState::creationRequested, 0),
            statik("A2*", 2, LiveState::inSimulator, 401),
            statik("A3*", 3, LiveState::beingRemoved, 402),
            statik("A4*", 4, LiveState::creationRequested, 0),
        };
        trafficState.staticCreations = {request("A1*", 1)};
        trafficState.standsToFill.push_back(StandToFill{});
        trafficState.adjustments.push_back(StaticAdjustment{"A2*", 2});
    }
    userMaxLive = 20;
    MAX_LIVE.setRaw(50);

    {
        std::lock_guard lock(trafficState.trafficMutex);
        ksb::gf_dropParkAirport();
    }

    std::lock_guard lock(trafficState.trafficMutex);
    EXPECT_EQ(lf_liveSummary(),
              (std::vector<std::string>{"BAW1 4 stand 1 51.4700", "BAW2 4 stand 3 51.4700",
                                        "DLH9 1 stand 0 0.0000", "EZY5 2 stand 0 0.0000",
                                        "KLM4 1+ stand 3 51.4700"}));
    const LiveAircraft* ezy = gf_liveByKey(20005);
    ASSERT_NE(ezy, nullptr);
    EXPECT_EQ(ezy->standLongitude, 0.0);
    EXPECT_EQ(ezy->standHeading, 0.0);
    EXPECT_TRUE(trafficState.liveCreations.empty());
    std::vector<std::string> statics;
    for (const AiAircraft& parked : trafficState.statics) {
        statics.push_back(fmt::format("{} {}{}", parked.callsign, static_cast<int>(parked.state),
                                      parked.removeOnceCreated ? "+" : ""));
    }
    std::sort(statics.begin(), statics.end());
    EXPECT_EQ(statics, (std::vector<std::string>{"A2* 4", "A3* 4", "A4* 1+"}));
    EXPECT_TRUE(trafficState.staticCreations.empty());
    std::vector<std::uint32_t> removals(trafficState.removals.begin(), trafficState.removals.end());
    std::sort(removals.begin(), removals.end());
    EXPECT_EQ(removals, (std::vector<std::uint32_t>{301, 306, 401}));

    EXPECT_TRUE(trafficState.standsToFill.empty());
    EXPECT_TRUE(trafficState.adjustments.empty());
    EXPECT_TRUE(gf_parkAirportState().stands.empty());
    EXPECT_EQ(trafficState.parkAirport.code, "");
    EXPECT_EQ(snapshotText(), "none");
    EXPECT_EQ(MAX_LIVE.value(), 20);
    EXPECT_EQ(gf_controlState(MAX_LIVE.commandId()).value().text, "20");
}

TEST_F(ParkAirportLoadTest, TheReReadAppliesAChangedReservedStand) {
    struct Case {
        const char* name;
        std::string file;
        bool reRead = true;
        bool still = true;
        bool locked = false;
        bool result = true;
        std::string text;
        std::string reserved;
        bool blocked11 = true;
        bool blocked12 = false;
        bool released = false; // the static aircraft on 12
    };
    const std::string okay = "park airports and stands are okay";
    const std::string reserved11 = "'11' true true '11'";
    const Case cases[] = {
        {"a changed stand", "EGLL,12\n", true, true, false, true,
         "reserved stand changed from \"11\" to \"12\"", "'12' true true '12'", false, true, true},
        {"an unchanged stand", "EGLL,11\n", true, true, false, true, okay, reserved11},
        {"a stand the airport does not have", "EGLL,99\n", true, true, false, false, "",
         reserved11},
        {"the controls locked", "EGLL,12\n", true, true, true, true, okay, reserved11},
        {"the user moving", "EGLL,12\n", true, false, false, true, okay, reserved11},
        {"no re-read", "EGLL,12\n", false, true, false, true, okay, reserved11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearPark();
        controlsLocked = false;
        setList({lf_record(kParkEgll, "11")});
        placeUser(kOffStand, true);
        ASSERT_EQ(chooseAndLoad("EGLL"), "");
        {
            std::lock_guard lock(trafficState.trafficMutex);
            gf_findStandByName("11")->blocked = true;
            AiAircraft parked;
            parked.callsign = "A12*";
            parked.flightKey = 12;
            parked.state = LiveState::inSimulator;
            parked.objectId = 512;
            parked.standId = gf_findStandByName("12")->standId;
            trafficState.statics = {parked};
        }
        writeBytes(gf_parkAirportsFilePath(), c.file);
        placeUser(kOffStand, true, 0.0, c.still ? 0.0 : 8.0);
        controlsLocked = c.locked;

        std::string text;
        bool result = false;
        {
            std::lock_guard lock(trafficState.trafficMutex);
            result = ::gf_checkReservedStand(c.reRead, text);
        }
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(reservedStandState(), c.reserved);
        std::lock_guard lock(trafficState.trafficMutex);
        EXPECT_EQ(gf_findStandByName("11")->blocked, c.blocked11);
        EXPECT_EQ(gf_findStandByName("12")->blocked, c.blocked12);
        EXPECT_EQ(trafficState.statics.front().state == LiveState::beingRemoved, c.released);
    }
}

} // namespace
} // namespace ksb::test
