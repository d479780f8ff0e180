#pragma once
// The park-airport load and close in a working folder of their own: the window's parked-traffic
// and range controls registered with a fake window, the message line and the feed's elevation
// recorded, the aircraft database read, and the park airport named EHAM.
#include "airports/park_airport_state.h"
#include "airports_test_fixture.h"
#include "core/controls.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "support/fake_park_airport_services.h"
#include "support/fake_window_port.h"
#include "support/recording_sinks.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <mutex>
#include <string>

namespace ksb::test {

inline const std::filesystem::path kLearnedStock = "airports/learned/stock/EHAM.xml";
// Where a learned file that cannot be used in full is kept.
inline const std::filesystem::path kBackup = "airports/learned/stock/EHAM0.xml";

// An airport file's stand: id, position, heading in degrees and radius in metres.
inline XmlAttributes standAttributes(const std::string& id, double latitude, double longitude,
                                     double radiusMetres = 30.0) {
    return {{"id", id},
            {"latitude", fmt::format("{:.6f}", latitude)},
            {"longitude", fmt::format("{:.6f}", longitude)},
            {"heading", "90.0"},
            {"radius", fmt::format("{:.1f}", radiusMetres)},
            {"cargo", "false"},
            {"ramp", "false"}};
}

// An <opt> of a file.
inline XmlAttributes opt(const std::string& registration, const std::string& day,
                         const std::string& halfHours, const std::string& callsigns = "") {
    XmlAttributes attributes{{"reg", registration}, {"day", day}, {"hh", halfHours}};
    if (!callsigns.empty()) {
        attributes.emplace_back("cs", callsigns);
    }
    return attributes;
}

// EHAM with stands D1, D2 (60 m apart) and F9 far from both; D1 has one observation of the
// airport file.
inline AirportFileBuilder ehamAirportFile(const std::string& publisher = "stock") {
    AirportFileBuilder file;
    file.parameter("airport_name", "Schiphol")
        .parameter("publisher", publisher)
        .parameter("altitude", "-11")
        .parameter("RT_traffic_week", "48")
        .parkpos(standAttributes("D1", 52.3000, 4.7600), {opt("D-AIPA", "3", "20,21", "DLH1")})
        .parkpos(standAttributes("D2", 52.3000, 4.7609))
        .parkpos(standAttributes("F9", 52.3100, 4.7700));
    return file;
}

// A learned file for EHAM without settings.
inline AirportFileBuilder ehamLearnedFile() {
    AirportFileBuilder file;
    file.parameter("airport_name", "Schiphol");
    return file;
}

class ParkAirportTest : public AirportsTest {
protected:
    void SetUp() override {
        AirportsTest::SetUp();
        readDbase();
        for (CheckBoxParameter* box : {&LEARN_SOFT, &AUTO_RANGE, &PARK_FAKE, &WEEK, &PARK_SOFT,
                                       &INITIAL_LOAD_ONLY, &RT_PARKTRAFFIC_ONLY}) {
            addControl(box->createCheckBox(10, box->value()));
        }
        for (IntEditParameter* field : {&LATERAL_RANGE, &MAX_LIVE, &parking_percentage}) {
            addControl(field->createEdit(10, 40));
        }
        addControl(MAX_FIT_FL.createEdit(10, 40));
        addControl(FLUSH_STATIC_BUTTON.createButton(10, 60, "Flush static"));
        gf_setWindowPort(&port);
        gf_parkAirportState().name = "EHAM";
    }
    void TearDown() override {
        gf_setWindowPort(nullptr);
        AirportsTest::TearDown();
    }

    // A new case of a table: no airport files, the park-airport state at its start, EHAM named.
    void startOver() {
        std::filesystem::remove_all("airports");
        gf_resetAirportsGlobals();
        gf_parkAirportState().name = "EHAM";
    }

    void addControl(const ui::ControlSpec& spec) {
        gf_registerControl(spec);
        port.addControl(spec);
    }

    // gf_readApf as the chooser calls it, with trafficMutex held.
    std::string load(const std::filesystem::path& apfPath) {
        ParkAirportState& state = gf_parkAirportState();
        std::lock_guard lock(trafficState.trafficMutex);
        std::string result = "not set";
        gf_readApf(result, apfPath, state.airportName, state.qualityFactors, state.stands);
        return result;
    }
    void close() {
        std::lock_guard lock(trafficState.trafficMutex);
        gf_resetParkAirport();
    }

    static ControlState control(std::uint16_t id) { return gf_controlState(id).value(); }
    static const ParkPosition& stand(const std::string& name) {
        for (const ParkPosition& s : gf_parkAirportState().stands) {
            if (s.name == name) {
                return s;
            }
        }
        throw std::runtime_error("no stand " + name);
    }

    FakeWindowPort port;
    RecordingMessageSink messages;
    FakeParkAirportServices services;
};

} // namespace ksb::test
