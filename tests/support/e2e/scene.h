#pragma once
// The shared scene: one user aircraft at Frankfurt, one simulator, one web service with six
// flights around the user. The e2e tests, tools/simstub, tools/rtstub and tools/workfolder all
// start from it, so the demo shows what the tests check.
#include "support/e2e/scene_catalogue.h"
#include "support/rtstub/rt_stub.h"
#include "support/simstub/scenario.h"

#include <string>

namespace ksb::e2e::scene {

inline constexpr double kLatitude = 50.0333;
inline constexpr double kLongitude = 8.5706;
inline constexpr double kAltitudeFeet = 364.0;
inline constexpr double kHeading = 250.0;
inline constexpr const char* kUserTitle = "Demo B77W";
inline constexpr const char* kUserModel = "TT:ATCCOM.AC_MODEL_B77W.0.text";
// 8-bit bytes as the simulator sends them ("\xAE" is the registered sign).
inline constexpr const char* kOpenName = "Lockheed Martin\xAE Prepar3D\xAE v5";
inline constexpr const char* kSimLine = "Lockheed Martin Prepar3D v5 (5.4.9.28482)";
inline constexpr const char* kLicence = "E2E+lic&key=1%";
inline constexpr const char* kLicenceFile = R"({"License":"E2E+lic&key=1%","Name":"e2e"})";
inline constexpr const char* kServer = "rt-stand-in";
inline constexpr const char* kStation = "EDDF";
inline constexpr int kQnh = 1021;
inline constexpr int kFlights = 6;
inline constexpr double kFlightRadiusNm = 10.0;
// Stand-in seconds per real second in the tests; the demo runs in real time.
inline constexpr double kTestTimeScale = 10.0;

inline simstub::Scenario simScenario(double timeScale = 1.0) {
    simstub::Scenario s;
    s.open.name = kOpenName;
    s.open.version = {5, 4, 9, 28482};
    s.user.latitude = kLatitude;
    s.user.longitude = kLongitude;
    s.user.altitude = kAltitudeFeet;
    s.user.heading = kHeading;
    s.user.onGround = true;
    s.user.airspeed = 0.0;
    s.user.groundSpeed = 0.0;
    s.user.title = kUserTitle;
    s.user.model = kUserModel;
    s.groundElevation = kAltitudeFeet;
    s.flightRunning = true;
    s.frameHz = 30.0;
    s.timeScale = timeScale;
    return s;
}

inline rtstub::Options rtOptions() {
    rtstub::Options o;
    o.licences = {kLicence};
    o.rrl = 100;
    o.wrrl = 100;
    o.station = kStation;
    o.qnh = kQnh;
    o.aircraft = kFlights;
    o.maxRadiusNm = kFlightRadiusNm - 1.0;
    o.centre = std::make_pair(kLatitude, kLongitude);
    o.server = kServer;
    o.firstGuid = 1;
    o.parked = 0;
    return o;
}

} // namespace ksb::e2e::scene
