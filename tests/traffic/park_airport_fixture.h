#pragma once
// The park-airport tests: the traffic harness (engine, fake link, working folder as the current
// directory, log, message line), an airports list around London, airport files of EGLL, EGKK and
// EGSS in the stock archive (EGLC has none), an empty airports/my_thirdparty, the window's
// parked-traffic controls registered with a fake window, and the user placed by each test.
#include "airports/airports.h"
#include "airports/airports_globals.h"
#include "airports/park_airport_state.h"
#include "core/config_paths.h"
#include "core/controls.h"
#include "core/geodesy.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "support/airport_file_builder.h"
#include "support/airports_list_fixture.h"
#include "support/fake_window_port.h"
#include "support/file_bytes.h"
#include "support/traffic_harness.h"
#include "traffic/park_airports.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ksb::test {

// EGKK is about 10 NM and EGLL 12 NM from kParkUserStart, EGLC 18 NM, EGSS 38 NM.
inline const Airport kParkEgll{"EGLL", "LHR", 51.4700, -0.4543, 83.0};
inline const Airport kParkEgkk{"EGKK", "LGW", 51.1481, -0.1903, 202.0};
inline const Airport kParkEgss{"EGSS", "STN", 51.8850, 0.2350, 348.0};
inline const Airport kParkEglc{"EGLC", "LCY", 51.5053, 0.0553, 19.0};
inline const Position kParkUserStart{51.30, -0.30};

inline Position parkPositionOf(const Airport& airport) {
    return Position{airport.lat, airport.lon};
}

// A stand of an airport file: id and position, heading 90 degrees, radius 20 m.
inline XmlAttributes parkStandAttributes(const std::string& id, const Position& position) {
    return {{"id", id},
            {"latitude", fmt::format("{:.6f}", position.latitude)},
            {"longitude", fmt::format("{:.6f}", position.longitude)},
            {"heading", "90.0"},
            {"radius", "20.0"},
            {"cargo", "false"},
            {"ramp", "false"}};
}

// The position of stand n (11, 12, ...) of an airport file written by parkAirportFile: a row
// going north from the airport's point, 0.001 degrees (111 m) apart.
inline Position parkStandPosition(const Airport& airport, int n) {
    return Position{airport.lat + 0.001 * (n - 10), airport.lon};
}

// An airport file with stands "11", "12", ... (count of them) and the real quality factor.
inline AirportFileBuilder parkAirportFile(const Airport& airport, int stands = 3,
                                          int realQuality = 10) {
    AirportFileBuilder file;
    file.parameter("airport_name", airport.code + " airport")
        .parameter("publisher", "stock")
        .parameter("altitude", fmt::format("{:.0f}", airport.alt))
        .parameter("Qf_real", std::to_string(realQuality))
        .parameter("Qf_soft", "5");
    for (int n = 11; n < 11 + stands; ++n) {
        file.parkpos(parkStandAttributes(std::to_string(n), parkStandPosition(airport, n)));
    }
    return file;
}

inline std::filesystem::path parkStockFile(const std::string& code) {
    return gf_archiveStockFolderPath() / (code + ".xml");
}

class ParkAirportFixture : public ::testing::Test {
protected:
    void SetUp() override {
        gf_resetAirportsGlobals();
        mainWindow.resetToStart();
        for (CheckBoxParameter* box :
             {&LEARN_SOFT, &AUTO_RANGE, &PARK_FAKE, &RT_PARKTRAFFIC_ONLY}) {
            addControl(box->createCheckBox(10, box->value()));
        }
        for (IntEditParameter* field : {&LATERAL_RANGE, &MAX_LIVE, &parking_percentage}) {
            addControl(field->createEdit(10, 40));
        }
        addControl(FLUSH_STATIC_BUTTON.createButton(10, 60, "Flush static"));
        gf_setWindowPort(&port);
        writeAirportsList(airports());
        gf_readAirports();
        std::filesystem::create_directories(gf_myThirdPartyFolderPath());
        for (const Airport& airport : {kParkEgll, kParkEgkk, kParkEgss}) {
            parkAirportFile(airport).write(parkStockFile(airport.code));
        }
        {
            std::lock_guard lock(trafficState.trafficMutex);
            trafficState.feedServices.setCollectFlag = [this] { ++collects; };
        }
        placeUser(kParkUserStart, false, 30000.0);
    }
    void TearDown() override {
        gf_setWindowPort(nullptr);
        gf_resetAirportsGlobals();
        mainWindow.resetToStart();
        userOnGround = false;
        userOnGroundKnown = false;
        gf_setUserState(UserAircraftState{});
    }

    // The airports list the fixture writes.
    virtual std::vector<Airport> airports() const {
        return {kParkEgll, kParkEgkk, kParkEgss, kParkEglc};
    }

    void addControl(const ui::ControlSpec& spec) {
        gf_registerControl(spec);
        port.addControl(spec);
    }

    // The user as the simulator link reports it.
    static void placeUser(const Position& position, bool onGround, double heightFt = 0.0,
                          double speedKt = 0.0) {
        UserAircraftState state;
        state.latitude = position.latitude;
        state.longitude = position.longitude;
        state.altitudeAboveGround = heightFt;
        state.groundVelocity = speedKt;
        gf_setUserState(state);
        userOnGround = onGround;
        userOnGroundKnown = true;
    }

    // The main loop's check (calculateNow clear) or the start-up's (set), under trafficMutex.
    static void check(bool calculateNow) {
        std::lock_guard lock(trafficState.trafficMutex);
        ::gf_checkParkAirport(calculateNow);
    }
    static bool readList(bool force = true) {
        std::lock_guard lock(trafficState.trafficMutex);
        return ::gf_readParkAirports(force);
    }
    // The park airport chosen by code and loaded, as the check does it; the load's error text.
    static std::string chooseAndLoad(const std::string& code) {
        std::lock_guard lock(trafficState.trafficMutex);
        if (!ksb::lf_setParkAirport(code)) {
            return "not in the airports list";
        }
        return ksb::gf_loadParkAirport();
    }

    static std::string parkCode() {
        std::lock_guard lock(trafficState.trafficMutex);
        return trafficState.parkAirport.code;
    }
    // "name,stand" of each list record in order.
    static std::vector<std::string> listRecords() {
        std::lock_guard lock(trafficState.trafficMutex);
        std::vector<std::string> records;
        for (const ParkAirport& record : trafficState.parkAirports) {
            records.push_back(record.name + "," + record.reservedStand);
        }
        return records;
    }
    static std::string snapshotText() {
        const std::optional<ParkSnapshot> snapshot = gf_parkAirportState().parkSnapshot.get();
        return snapshot ? fmt::format("{} {:.4f} {:.4f}", snapshot->code, snapshot->latitude,
                                      snapshot->longitude)
                        : std::string("none");
    }
    static std::string windowText(WindowText which) { return mainWindow.text(which); }

    // Log lines written since the mark.
    std::size_t logMark() const { return harness.log().body().size(); }
    std::vector<std::string> logSince(std::size_t mark) const {
        std::vector<std::string> body = harness.log().body();
        return std::vector<std::string>(body.begin() + static_cast<std::ptrdiff_t>(mark),
                                        body.end());
    }
    std::size_t messageMark() const { return harness.messages().all().size(); }
    // Messages shown (text and log flag) since the mark, the clears left out.
    std::vector<RecordedMessage> messagesSince(std::size_t mark) const {
        std::vector<RecordedMessage> shown;
        const std::vector<RecordedMessage> all = harness.messages().all();
        for (std::size_t i = mark; i < all.size(); ++i) {
            if (all[i].kind != RecordedMessage::Kind::clear) {
                shown.push_back(all[i]);
            }
        }
        return shown;
    }

    TrafficHarness harness;
    FakeWindowPort port;
    std::atomic<int> collects{0};
};

} // namespace ksb::test
