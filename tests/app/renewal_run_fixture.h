#pragma once
// The static parking from the park airport's load to its 20-minute renewals, through the real
// main loop in virtual time: the traffic engine with its own services and hooks behind a
// TrafficHarness (fake link whose creations and removals the simulator answers 3 ticks later,
// scripted feed, working folder as the current directory, the real catalogue with liveries for
// BAW A320 and PVT C172 and none for the CRJ9), fakes of the application's link, live-traffic and
// catalogue tables, and a park airport EGLL with an airport file, a learned file and the user's
// my_park_airports.txt reserving stand 18. The user stands still on the ground at EGLL, off every
// stand. The clock starts on a Wednesday at 10:15:00 UTC and jumps over every sleep; every 100
// cycles a second tick is raised, so second n runs at 10:15:00 + n s (the half hour changes at
// second 900).
#include "airports/airports.h"
#include "airports/airports_globals.h"
#include "airports/park_airport_state.h"
#include "app/main_loop.h"
#include "app/startup_services.h"
#include "catalogue/livery_index.h"
#include "core/config_paths.h"
#include "core/globals.h"
#include "core/parameters.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "core/time_of_week.h"
#include "simlink/ai_control.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include "support/airport_file_builder.h"
#include "support/airports_list_fixture.h"
#include "support/catalogue_fixtures.h"
#include "support/file_bytes.h"
#include "support/manual_clock.h"
#include "support/traffic_harness.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ksb::test {

inline const Airport kRenewalEgll{"EGLL", "LHR", 51.4700, -0.4543, 83.0};
// Wednesday 10:15:00 UTC: half hour 20 until second 900 of the run, then 21.
inline constexpr double kRenewalStart = kWednesdayMorning + 1.0 - 900.0;
inline constexpr DayHalfHour kRenewalFirstHalfHour = gf_packDayHalfHour(3, 20);
inline constexpr DayHalfHour kRenewalNextHalfHour = gf_packDayHalfHour(3, 21);

// Stand "n" (11..18) lies 0.001 degrees (111 m) north of stand n-1, in a row north of the
// airport's point; too far apart to be neighbours.
inline Position renewalStandPosition(int n) {
    return Position{kRenewalEgll.lat + 0.001 * (n - 10), kRenewalEgll.lon};
}

// One real observation of the learned file: on Wednesdays in the half hours given.
struct RenewalObservation {
    int stand;
    std::string callsign;
    std::string registration;
    std::string type;
    std::string halfHours;
};

// What EGLL learned. Half hour 20 plans 11, 12, 13 and 14 (a CRJ9, which has no livery); half
// hour 21 plans 11, 13 and 15. Stand 18, the user's reserved stand, is never planned.
inline const std::vector<RenewalObservation> kRenewalObservations = {
    {11, "BAW11", "G-RNWA", "A320", "20,21"}, {12, "BAW12", "G-RNWB", "A320", "20"},
    {13, "BAW13", "G-RNWC", "A320", "20,21"}, {14, "BAW14", "G-RNWD", "CRJ9", "20"},
    {15, "BAW15", "G-RNWE", "A320", "21"},    {18, "BAW18", "G-RNWH", "A320", "20,21"},
};

// A parked-traffic record of a BAW A320 at stand n, standing there for 4 half hours.
inline ParkedFlight renewalParkedFlight(std::string callsign, std::uint32_t flightId, int n) {
    ParkedFlight record;
    record.airline = "BAW";
    record.type = "A320";
    record.callsign = std::move(callsign);
    record.registration = "G-PT" + std::to_string(n);
    record.flightId = flightId;
    record.age = 4;
    record.latitude = renewalStandPosition(n).latitude;
    record.longitude = renewalStandPosition(n).longitude;
    record.stand = std::to_string(n);
    return record;
}

class RenewalRunFixture : public ::testing::Test {
protected:
    RenewalRunFixture() {
        gf_setTrafficServices(gf_defaultTrafficServices());
        gf_resetRunState();
        gf_resetMainLoopForTests();
        setParameters();
        writeCatalogue();
        writeAirport();
        installAppServices();
        {
            std::lock_guard lock(trafficState.trafficMutex);
            TrafficFeedServices& feed = trafficState.feedServices;
            feed.loggedIn = [] { return true; };
            feed.parkedTraffic = [this] { return parkedTraffic; };
            feed.setCollectFlag = [this] { appCall("feed.setCollectFlag"); };
        }
        harness.autoSim(3);
        placeUser();
        harness.clock().setUtcSeconds(kRenewalStart);
        harness.clock().setAutoAdvance(true);
    }

    ~RenewalRunFixture() override {
        harness.clock().setSleepHook({});
        gf_setRtServices(RtServices{});
        gf_setLinkServices(LinkServices{});
        gf_setCatalogueServices(CatalogueServices{});
        gf_resetAirportsGlobals();
        gf_resetRunState();
        userOnGround = false;
        userOnGroundKnown = false;
        gf_setUserState(UserAircraftState{});
    }

    // The run phase's last step (the park-airport check under trafficMutex), then the main loop
    // until the end of second lastSecond. at(n) runs in the sleep hook just before second n's
    // tick is raised, that is after the work of second n - 1; it may read and change anything
    // the loop's thread owns.
    void run(int lastSecond, const std::function<void(int)>& at = {}) {
        dayHalfHourNow = gf_currentDayHalfHour();
        {
            std::lock_guard lock(trafficState.trafficMutex);
            gf_readParkAirports(false);
            gf_checkParkAirport(true);
        }
        flightRunning = true;
        int cycles = 0;
        harness.clock().setSleepHook([&] {
            harness.postDueRecords();
            if (++cycles % 100 != 0) {
                return;
            }
            second = cycles / 100;
            if (at) {
                at(second);
            }
            if (second > lastSecond) {
                exitInProgress = 1;
            }
            secondTick = true;
        });
        mainLoop(runGeneration.load());
        harness.clock().setSleepHook({});
    }

    // The static aircraft in the simulator: tail number -> object id.
    static std::map<std::string, std::uint32_t> standing() {
        std::map<std::string, std::uint32_t> out;
        std::lock_guard lock(trafficState.trafficMutex);
        for (const AiAircraft& aircraft : trafficState.statics) {
            if (aircraft.state == LiveState::inSimulator) {
                out[aircraft.callsign] = aircraft.objectId;
            }
        }
        return out;
    }
    // "tail state" of every static aircraft, whatever its state.
    static std::vector<std::string> staticStates() {
        std::vector<std::string> out;
        std::lock_guard lock(trafficState.trafficMutex);
        for (const AiAircraft& aircraft : trafficState.statics) {
            out.push_back(
                fmt::format("{} {}", aircraft.callsign, static_cast<int>(aircraft.state)));
        }
        return out;
    }
    // The engine's calls of that link member made during the seconds from..to (the check at
    // start counts as second 0), as "name(arguments)".
    std::vector<std::string> linkCalls(std::string_view name, int from, int to) {
        std::vector<std::string> out;
        for (const LinkCall& call : harness.link().calls()) {
            const int at = call.tick / 100;
            if (call.name == name && at >= from && at <= to) {
                out.push_back(call.text());
            }
        }
        return out;
    }
    // The seconds at which the engine called that link member.
    std::vector<int> linkCallSeconds(std::string_view name) {
        std::vector<int> out;
        for (const LinkCall& call : harness.link().calls()) {
            if (call.name == name) {
                out.push_back(call.tick / 100);
            }
        }
        return out;
    }
    // The body lines of the log that contain the text.
    std::vector<std::string> logLinesWith(const std::string& text) const {
        return harness.log().linesWith(text);
    }

    TrafficHarness harness; // first: its working folder is the current directory
    // What the feed reports parked at EGLL: BAW77 on stand 17.
    std::optional<std::vector<ParkedFlight>> parkedTraffic =
        std::vector<ParkedFlight>{renewalParkedFlight("BAW77", 0x4CA077, 17)};
    // The calls of the application's fakes and of the feed's collect flag: "name@second".
    std::vector<std::string> appCalls;
    int second = 0;

private:
    void appCall(const std::string& name) {
        appCalls.push_back(fmt::format("{}@{}", name, second));
    }

    static void setParameters() {
        INITIAL_LOAD_ONLY.setRaw(false);
        RT_PARKTRAFFIC_ONLY.setRaw(false);
        PARK_SOFT.setRaw(false);
        PARK_FAKE.setRaw(false);
        WEEK.setRaw(false);
        AUTO_RANGE.setRaw(false);
        SIM_TIME.setRaw(false);
        LOG.setRaw(true);
    }

    static void writeCatalogue() {
        writeLiveriesFile({livery("BAW", "A320", "Airbus A320 British Airways"),
                           livery("PVT", "C172", "Cessna 172 Private")});
        gf_readLiveriesXml();
        gf_processScannedLiveries();
    }

    static void writeAirport() {
        writeAirportsList({kRenewalEgll});
        gf_readAirports();
        std::filesystem::create_directories(gf_myThirdPartyFolderPath());
        writeBytes(gf_parkAirportsFilePath(), "EGLL,18\n");

        const auto standAttributes = [](int n) {
            const Position at = renewalStandPosition(n);
            return XmlAttributes{{"id", std::to_string(n)},
                                 {"latitude", fmt::format("{:.6f}", at.latitude)},
                                 {"longitude", fmt::format("{:.6f}", at.longitude)},
                                 {"heading", "90.0"},
                                 {"radius", "20.0"},
                                 {"cargo", "false"},
                                 {"ramp", "false"}};
        };
        AirportFileBuilder airport;
        airport.parameter("airport_name", "Heathrow")
            .parameter("publisher", "stock")
            .parameter("altitude", "83");
        AirportFileBuilder learned;
        // 60 % of 8 stands: 5 wanted. Only the half hour itself is searched.
        learned.parameter("airport_name", "Heathrow")
            .parameter("parking_percentage", "60")
            .parameter("MAX_FIT", "0");
        // The reserved stand first: unblocked, the search would plan it before any other.
        for (int n : {18, 11, 12, 13, 14, 15, 16, 17}) {
            airport.parkpos(standAttributes(n));
            std::vector<XmlAttributes> options;
            for (const RenewalObservation& o : kRenewalObservations) {
                if (o.stand == n) {
                    options.push_back(XmlAttributes{{"cs", o.callsign},
                                                    {"reg", o.registration},
                                                    {"airl", "BAW"},
                                                    {"type", o.type},
                                                    {"day", "3"},
                                                    {"hh", o.halfHours}});
                }
            }
            learned.parkpos(XmlAttributes{{"id", std::to_string(n)}}, options);
        }
        const std::filesystem::path apf = gf_archiveStockFolderPath() / "EGLL.xml";
        airport.write(apf);
        learned.write(lf_learnedPathFor(apf));
    }

    void installAppServices() {
        RtServices rt;
        rt.loggedIn = [] { return true; };
        rt.showStatus = [] {};
        rt.updateQueryBox = [] {};
        rt.setReferencePosition = [](double, double) {};
        rt.setCollectFlag = [this] { appCall("rt.setCollectFlag"); };
        gf_setRtServices(rt);
        LinkServices link;
        link.releaseAiAircraft = [this](std::uint32_t id) {
            appCall(fmt::format("release({})", id));
        };
        link.queueRemoveAiAircraft = [this](std::uint32_t id) {
            appCall(fmt::format("queueRemove({})", id));
        };
        link.clearPositionQueues = [] {};
        // As the link's own: the controls are held.
        link.lockControls = [this] {
            appCall("link.lockControls");
            gf_lockControls();
        };
        gf_setLinkServices(link);
        CatalogueServices catalogue;
        catalogue.logUnmatched = [] {};
        catalogue.clearNoLiveryFlights = [] {};
        catalogue.printLiveryMatchSummary = [] {};
        gf_setCatalogueServices(catalogue);
    }

    void placeUser() {
        // 0.003 degrees (200 m) east of the row of stands.
        UserAircraftState user;
        user.latitude = kRenewalEgll.lat + 0.002;
        user.longitude = kRenewalEgll.lon + 0.003;
        user.groundVelocity = 0.0;
        gf_setUserState(user);
        // The tick refreshes the user's state from the link every second.
        harness.link().setUserState(user);
        userOnGround = true;
        userOnGroundKnown = true;
    }
};

} // namespace ksb::test
