#pragma once
// The traffic scene: the shared scene's user, simulator and web service, with the park airport
// EDDF around the user (30 stands, a runway and taxiways), live flights along tracks, parked
// traffic and learned observations. simstub, rtstub, tools/workfolder and the e2e tests all read
// it, so a test computes what the program must show from the same data the stand-ins serve.
//
// Layout, in metres east and north of the user: V1 under the user; A1-A15 at north 400 (east
// -560 to 560, 80 m apart) with their taxiway at north 340; B1-B14 at north 600 with theirs at
// 540. Runway 07/25 runs at 070/250 through the point 450 m south of the user. The arrival turns
// off at east -320 and taxies north to the A taxiway; the departure taxies from the A taxiway
// south at east 320 to the runway. Every ground path keeps 300 m from the user and 60 m from
// every stand it does not use.
#include "core/airport_records.h"
#include "core/catalogue_records.h"
#include "support/airport_file_builder.h"
#include "support/catalogue_fixtures.h"
#include "support/e2e/scene.h"
#include "support/e2e/scene_catalogue.h"
#include "support/rtstub/rt_stub.h"
#include "support/rtstub/scene_traffic.h"
#include "support/scene_track.h"
#include "support/simstub/scenario.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ksb::e2e::trafficScene {

inline constexpr const char* kParkAirport = "EDDF";
inline constexpr const char* kParkAirportIata = "FRA";
inline constexpr const char* kAirportName = "Scene Frankfurt";
inline constexpr const char* kPublisher = "scene";
inline constexpr double kFieldElevation = scene::kAltitudeFeet;
inline constexpr double kStandRadius = 30.0; // metres
inline constexpr const char* kRefusedTitle = "Scene B753 CFG";
inline constexpr const char* kRegcodeTitle = "Scene A320 DLH D-AIBC";
inline constexpr const char* kRegcodeRegistration = "D-AIBC";
inline constexpr int kParkingPercentage = 30;
inline constexpr int kLateralRange = 10; // NM

// Layout (metres from the user).
inline constexpr double kRowANorth = 400.0;
inline constexpr double kRowBNorth = 600.0;
inline constexpr double kTaxiwayToRow = 60.0;
inline constexpr double kStandSpacing = 80.0;
inline constexpr double kFirstStandEast = -560.0;
inline constexpr double kRunwayNorthAtUser = -450.0; // the centre line crosses east 0 here
inline constexpr double kRunway25Course = 250.0;
inline constexpr double kArrivalExitEast = -320.0;
inline constexpr double kDepartureEntryEast = 320.0;
inline constexpr double kGroundKeepsFromUser = 300.0;
inline constexpr double kGroundKeepsFromStands = 60.0;

inline test::LocalFrame frame() {
    return {scene::kLatitude, scene::kLongitude};
}

struct Stand {
    std::string name;
    test::GeoPoint position; // as the airport file gives it (6 decimals)
    double heading = 0.0;    // degrees
    double radius = kStandRadius;
    // Where the position lies in metres from the user.
    test::LocalPoint local() const { return frame().toLocal(position); }
};

inline double gf_sceneRounded(double value) {
    return std::round(value * 1e6) / 1e6;
}

// V1, A1-A15, B1-B14 in this order.
inline std::vector<Stand> stands() {
    const auto at = [](std::string name, double east, double north, double heading) {
        const test::GeoPoint exact = frame().toGeo({east, north});
        return Stand{std::move(name),
                     {gf_sceneRounded(exact.latitude), gf_sceneRounded(exact.longitude)},
                     heading,
                     kStandRadius};
    };
    std::vector<Stand> list{at("V1", 0.0, 0.0, scene::kHeading)};
    for (int i = 0; i < 15; ++i) {
        list.push_back(
            at(fmt::format("A{}", i + 1), kFirstStandEast + i * kStandSpacing, kRowANorth, 0.0));
    }
    for (int i = 0; i < 14; ++i) {
        list.push_back(
            at(fmt::format("B{}", i + 1), kFirstStandEast + i * kStandSpacing, kRowBNorth, 0.0));
    }
    return list;
}

inline Stand stand(std::string_view name) {
    for (Stand& s : stands()) {
        if (s.name == name) {
            return s;
        }
    }
    throw std::invalid_argument(fmt::format("no stand {} in the traffic scene", name));
}

// The point of the runway's centre line at that east.
inline test::LocalPoint runwayAtEast(double east) {
    const double along = (kRunway25Course - 180.0) * 3.14159265358979323846 / 180.0;
    return {east, kRunwayNorthAtUser + east / std::tan(along)};
}

// The point metres from the given one along the course.
inline test::LocalPoint gf_sceneAlong(test::LocalPoint from, double course, double metres) {
    const double a = course * 3.14159265358979323846 / 180.0;
    return {from.east + metres * std::sin(a), from.north + metres * std::cos(a)};
}

struct Flight {
    std::string callsign;
    std::string hexid;
    std::string type;
    std::string registration;
    std::string airline;     // of the registration in the aircraft database
    std::string departure;   // "" when the feed says "null"
    std::string destination; // "" when the feed says "null"
    // The title the program must give it; "" when it must never be created.
    std::string expectedTitle;
    test::Track track;
};

// Arrival: on final for runway 25 at second 0, touch-down after about 100 s, roll-out to 20 kt,
// turn-off, taxi at 15 kt onto A5, where it stands.
inline test::Track arrivalTrack() {
    constexpr double kApproachFeet = 1270.0;
    constexpr double kSinkRate = 750.0; // ft/min
    constexpr double kApproachKnots = 140.0;
    constexpr double kBrakingKnotsPerSecond = 4.0;
    const double approachSeconds = kApproachFeet / kSinkRate * 60.0;
    const double approachMetres = kApproachKnots * 1852.0 / 3600.0 * approachSeconds;
    const double rolloutSeconds = (kApproachKnots - 20.0) / kBrakingKnotsPerSecond;
    const double rolloutMetres = (kApproachKnots + 20.0) / 2.0 * 1852.0 / 3600.0 * rolloutSeconds;
    const double back = kRunway25Course - 180.0;
    const test::LocalPoint exit = runwayAtEast(kArrivalExitEast);
    // The roll-out ends 100 m before the exit.
    const test::LocalPoint touchDown = gf_sceneAlong(exit, back, 100.0 + rolloutMetres);
    const test::LocalPoint start = gf_sceneAlong(touchDown, back, approachMetres);
    const test::LocalPoint a5 = stand("A5").local();
    test::Track track(frame(), start, kFieldElevation + kApproachFeet, kRunway25Course, false);
    track.straight(kRunway25Course, approachSeconds, kApproachKnots, -kSinkRate)
        .setOnGround(true)
        .accelerate(kRunway25Course, 20.0, kBrakingKnotsPerSecond)
        .moveTo(exit, 20.0)
        .moveTo({kArrivalExitEast, kRowANorth - kTaxiwayToRow}, 15.0)
        .moveTo({a5.east, kRowANorth - kTaxiwayToRow}, 15.0)
        .moveTo(a5, 15.0);
    return track;
}

// Departure: stands on A7 until 40 s, pushed back 60 m tail first in 30 s, stands 10 s, taxies
// at 20 kt to runway 25, rolls, lifts off at 155 kt, climbs at 2,000 ft/min and 170 kt; its feed
// ends 60 s after the lift-off.
inline test::Track departureTrack() {
    const test::LocalPoint a7 = stand("A7").local();
    const double taxiway = a7.north - 60.0;
    test::Track track(frame(), a7, kFieldElevation, 0.0, true);
    track.stand(40.0)
        .pushBack(60.0, 30.0)
        .stand(10.0)
        .moveTo({kDepartureEntryEast, taxiway}, 20.0)
        .moveTo(runwayAtEast(kDepartureEntryEast), 20.0)
        .accelerate(kRunway25Course, 155.0, 4.0)
        .setOnGround(false)
        .accelerate(kRunway25Course, 170.0, 1.0, 2000.0)
        .straight(kRunway25Course, 45.0, 170.0, 2000.0)
        .endAfter(0.0);
    return track;
}

inline test::Track circleTrack(double radiusNm, double startBearing, bool clockwise, double knots,
                               double altitude) {
    return test::Track::circle(frame(), {0.0, 0.0}, radiusNm * 1852.0, startBearing, clockwise,
                               knots, altitude);
}

// Leaves the live range: 7 NM out, heading away at 300 kt, past 10 NM after about 36 s.
inline test::Track leaverTrack() {
    constexpr double kCourse = 290.0;
    test::Track track(frame(), gf_sceneAlong({0.0, 0.0}, kCourse, 7.0 * 1852.0), 12000.0, kCourse,
                      false);
    track.straight(kCourse, 120.0, 300.0).endAfter(0.0);
    return track;
}

inline std::vector<Flight> flights() {
    return {
        {"DLH4AB", "3c4ab1", "A320", "D-AIAB", "DLH", "EDDM", "EDDF", "Scene A320 DLH",
         arrivalTrack()},
        {"DLH9CD", "3c49cd", "A320", "D-AIBC", "DLH", "EDDF", "EDDL", "Scene A320 DLH D-AIBC",
         departureTrack()},
        {"BAW902", "4007f1", "B772", "G-VIIA", "BAW", "EGLL", "EDDF", "Scene B772 BAW",
         circleTrack(6.0, 0.0, true, 250.0, 7000.0)},
        {"UAE45", "896123", "A388", "A6-EDA", "UAE", "OMDB", "EDDF", "Scene A388 UAE",
         circleTrack(8.0, 120.0, false, 250.0, 9000.0)},
        {"RYR12X", "4ca001", "B738", "EI-DCL", "RYR", "", "", "Scene B738",
         circleTrack(4.0, 240.0, true, 220.0, 4000.0)},
        {"EZY71", "440071", "A320", "G-EZAA", "EZY", "EDDF", "EGGW", "Scene A320 EZY",
         leaverTrack()},
        {"CFG5KL", "3c6a5f", "B753", "D-ABOK", "CFG", "EDDF", "GCLP", kRefusedTitle,
         circleTrack(5.0, 300.0, false, 230.0, 6000.0)},
        {"AFR99", "3944ef", "A359", "F-HTYA", "AFR", "LFPG", "EDDF", "",
         circleTrack(5.0, 60.0, true, 250.0, 8000.0)},
    };
}

struct Parked {
    std::string hexid;
    std::string callsign;
    std::string type;
    std::string registration;
    std::string airline;
    std::string stand;
    bool first = true; // in the first parked answer
    bool later = true; // in every answer after it
    std::string expectedTitle;
};

inline std::vector<Parked> parked() {
    return {
        {"3c6601", "DLH100", "A320", "D-AIPA", "DLH", "A1", true, true, "Scene A320 DLH"},
        {"3c6602", "DLH102", "A321", "D-AIRA", "DLH", "A2", true, true, "Scene A321 DLH"},
        {"440301", "EZY301", "A320", "G-EZBA", "EZY", "A3", true, false, "Scene A320 EZY"},
        {"4ca0a4", "RYR4AB", "B738", "EI-EBA", "RYR", "A4", true, true, "Scene B738"},
        {"440309", "EZY309", "A320", "G-EZBB", "EZY", "A9", false, true, "Scene A320 EZY"},
    };
}

// One stand's learned observations: every weekday, all 48 half hours.
struct Learned {
    std::string stand;
    std::string callsign;
    std::string registration;
    std::string airline;
    std::string type;
    std::string expectedTitle;
};

inline std::vector<Learned> learned() {
    return {{"B1", "DLH200", "D-AILA", "DLH", "A320", "Scene A320 DLH"},
            {"B2", "EZY210", "G-EZBC", "EZY", "A320", "Scene A320 EZY"},
            {"B3", "DLH220", "D-AISA", "DLH", "A321", "Scene A321 DLH"}};
}

inline std::vector<LiveryRecord> liveries() {
    return {test::livery("DLH", "A320", "Scene A320 DLH"),
            test::livery("DLH", "A320", kRegcodeTitle),
            test::livery("DLH", "A321", "Scene A321 DLH"),
            test::livery("EZY", "A320", "Scene A320 EZY"),
            test::livery("BAW", "B772", "Scene B772 BAW"),
            test::livery("UAE", "A388", "Scene A388 UAE"),
            test::livery("ZZZ", "B738", "Scene B738"),
            test::livery("CFG", "B753", kRefusedTitle)};
}

// The shared scene's database with every type and registration of the scene; no similar-type
// group, so no substitute decides a title.
inline test::DbaseSpec dbaseSpec() {
    test::DbaseSpec spec = scene::dbaseSpec();
    spec.similar.clear();
    const auto addOnce = [](std::vector<std::string>& list, const std::string& value) {
        if (std::find(list.begin(), list.end(), value) == list.end()) {
            list.push_back(value);
        }
    };
    const std::vector<std::pair<std::string, std::string>> spans{
        {"A320", "35.8"}, {"A321", "35.8"}, {"B738", "35.8"}, {"B753", "38.1"},
        {"B772", "60.9"}, {"A359", "64.8"}, {"A388", "79.8"}};
    for (const auto& [type, metres] : spans) {
        addOnce(spec.aircrafts, type);
        addOnce(std::stod(metres) > 40.0 ? spec.heavy : spec.large, type);
        const auto known =
            std::find_if(spec.wingspans.begin(), spec.wingspans.end(),
                         [&](const test::DbaseWingspan& w) { return w.type == type; });
        if (known == spec.wingspans.end()) {
            spec.wingspans.push_back({type, metres});
        } else {
            known->meters = metres;
        }
    }
    const auto addRecord = [&](const std::string& registration, const std::string& airline,
                               const std::string& type) {
        addOnce(spec.icaoAirlines, airline);
        spec.records.push_back({registration, airline, type, airline});
    };
    for (const Flight& f : flights()) {
        addRecord(f.registration, f.airline, f.type);
    }
    for (const Parked& p : parked()) {
        addRecord(p.registration, p.airline, p.type);
    }
    for (const Learned& l : learned()) {
        addRecord(l.registration, l.airline, l.type);
    }
    return spec;
}

// airports/my_thirdparty/EDDF.xml: the stands, no observations.
inline test::AirportFileBuilder airportFile() {
    const std::vector<Stand> list = stands();
    test::AirportFileBuilder builder;
    builder.parameter("airport_name", kAirportName)
        .parameter("publisher", kPublisher)
        .parameter("altitude", fmt::format("{}", static_cast<int>(kFieldElevation)))
        .parameter("num_parkpos", std::to_string(list.size()));
    for (const Stand& s : list) {
        builder.parkpos({{"id", s.name},
                         {"latitude", fmt::format("{:.6f}", s.position.latitude)},
                         {"longitude", fmt::format("{:.6f}", s.position.longitude)},
                         {"heading", fmt::format("{:.1f}", s.heading)},
                         {"radius", fmt::format("{:.1f}", s.radius)},
                         {"cargo", "false"},
                         {"ramp", "false"}});
    }
    return builder;
}

// airports/learned/thirdparty/scene/EDDF.xml: no per-airport settings; each learned stand with
// a real observation on every weekday in all 48 half hours.
inline test::AirportFileBuilder learnedFile() {
    std::string allHalfHours;
    for (int slot = 0; slot < 48; ++slot) {
        allHalfHours += fmt::format("{}{}", slot == 0 ? "" : ",", slot);
    }
    const std::vector<Learned> list = learned();
    test::AirportFileBuilder builder;
    builder.parameter("airport_name", kAirportName)
        .parameter("publisher", kPublisher)
        .parameter("num_parkpos", std::to_string(list.size()));
    for (const Learned& l : list) {
        std::vector<test::XmlAttributes> opts;
        for (int day = 1; day <= 7; ++day) {
            opts.push_back({{"reg", l.registration},
                            {"day", std::to_string(day)},
                            {"hh", allHalfHours},
                            {"cs", l.callsign}});
        }
        builder.parkpos({{"id", l.stand}}, opts);
    }
    return builder;
}

// The airports list: EDDF at the user, the other route ends at their own places.
inline std::vector<Airport> airports() {
    return {{kParkAirport, kParkAirportIata, scene::kLatitude, scene::kLongitude, kFieldElevation},
            {"EDDM", "MUC", 48.3538, 11.7861, 1487.0},
            {"EDDL", "DUS", 51.2895, 6.7668, 147.0},
            {"EGLL", "LHR", 51.4706, -0.4619, 83.0}};
}

// parameters.xml values beside the standard ones.
inline std::vector<std::pair<std::string, std::string>> parameters() {
    return {{"LOG", "true"},
            {"AUTO_RANGE", "false"},
            {"LATERAL_RANGE", std::to_string(kLateralRange)},
            {"MATCHING_DEPTH", "4"}};
}

inline simstub::Scenario simScenario(double timeScale = 1.0) {
    simstub::Scenario s = scene::simScenario(timeScale);
    s.refusedTitles = {kRefusedTitle};
    for (const Stand& st : stands()) {
        s.marks.push_back({st.name, {st.position.latitude, st.position.longitude}, st.heading});
    }
    return s;
}

inline rtstub::SceneTraffic rtTraffic() {
    rtstub::SceneTraffic traffic;
    for (const Flight& f : flights()) {
        const bool heavy = f.type == "B772" || f.type == "A388" || f.type == "A359";
        traffic.flights.push_back({f.hexid, f.callsign, f.type, f.registration, f.departure,
                                   f.destination, heavy ? "A5" : "A3", "1000", f.track});
    }
    for (const Parked& p : parked()) {
        traffic.parked.push_back({p.hexid, p.callsign, p.type, p.registration, p.stand,
                                  stand(p.stand).position, p.first, p.later});
    }
    traffic.parkedSeenAgo = 3600.0;
    return traffic;
}

inline rtstub::Options rtOptions() {
    rtstub::Options o = scene::rtOptions();
    o.scene = rtTraffic();
    return o;
}

} // namespace ksb::e2e::trafficScene
