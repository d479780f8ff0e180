#pragma once
// Admission's fixture: the engine harness with a database that knows registrations with and
// without an operator, a cargo aircraft and a rotorcraft, an installed livery for every flight
// the tests admit, a user aircraft at 50 N 8 E, and flights built from a track named in a word.
// The test flights stay 60 NM from the user and away from any park airport unless a test moves
// them, so a flight that passes admission is created where it flies, with its livery.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "catalogue/livery_index.h"
#include "core/geodesy.h"
#include "core/parameters.h"
#include "core/run_state.h"
#include "core/sim_session_state.h"
#include "traffic/admission.h"
#include "traffic/traffic_state.h"

#include "support/catalogue_fixtures.h"
#include "support/traffic_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace ksb::test {

inline constexpr double kAdmUserLatitude = 50.0;
inline constexpr double kAdmUserLongitude = 8.0;
inline constexpr std::uint32_t kAdmFlightKey = 0x4ca001;
inline constexpr std::int32_t kAdmFirstDue = 100'000;
inline constexpr std::int32_t kAdmDueStep = 1000;

// The tracks a flight's samples follow, each sample one step further.
enum class AdmTrack {
    standing, // on the ground, ground speed 0, never moving
    taxi,     // on the ground at 15 kt, northwards
    climb,    // airborne from 3000 ft, northwards
    descent,  // airborne from 6000 ft, southwards
    landing,  // two airborne samples, then the rest on the ground
};

// The database of the harness and what admission needs beside it.
inline DbaseSpec admissionDbase() {
    DbaseSpec spec = trafficHarnessDbase();
    spec.icaoAirlines = {"BAW", "DLH", "EWG", "FDX"};
    spec.records.push_back({"D-ABDU", "DLH", "A320", "EWG", false});
    spec.records.push_back({"N701FX", "FDX", "B744", "", true});
    spec.records.push_back({"D-HXYZ", "", "EC35", "", false});
    return spec;
}

class AdmissionTest : public ::testing::Test {
protected:
    AdmissionTest() {
        writeDbaseXml(admissionDbase());
        if (!gf_readDbase()) {
            throw std::runtime_error("the admission database was not read");
        }
        scannedLiveries = {
            livery("BAW", "A320", "Airbus A320 British Airways"),
            livery("BAW", "B744", "Boeing 747-400 British Airways"),
            livery("DLH", "A320", "FSLTL_A320_DLH"),
            livery("EWG", "A320", "Airbus A320 Eurowings"),
            livery("FDX", "B744", "Boeing 747-400F FedEx", "", true),
            livery("PVT", "C172", "Cessna 172 Private"),
            livery("PVT", "EC35", "EC135 Private"),
        };
        gf_processScannedLiveries();
        userOnGroundKnown = true;
        userOnGround = true;
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.userState.latitude = kAdmUserLatitude;
        trafficState.userState.longitude = kAdmUserLongitude;
        trafficState.userState.altitude = 400.0;
        trafficState.tickCounter = kAdmFirstDue;
    }
    ~AdmissionTest() override {
        userOnGroundKnown = false;
        userOnGround = false;
    }

    static Position userPosition() { return Position{kAdmUserLatitude, kAdmUserLongitude}; }
    // The point at the distance and bearing (radians) from the user.
    static Position fromUser(double distanceNm, double bearing) {
        return gf_destinationPoint(userPosition(), bearing, distanceNm * kFeetPerNM);
    }

    // A BAW A320 with `count` samples along the track from the start position, the first one due
    // at kAdmFirstDue and the others kAdmDueStep apart.
    static LiveAircraft flight(AdmTrack track, int count = 4,
                               Position start = Position{51.0, kAdmUserLongitude}) {
        LiveAircraft aircraft;
        aircraft.callsign = "BAW123";
        aircraft.airline = "BAW";
        aircraft.type = "A320";
        aircraft.flightKey = kAdmFlightKey;
        aircraft.halfWingSpan = 17.05 * kNMPerMetre;
        Position at = start;
        for (int i = 0; i < count; ++i) {
            PositionSample sample;
            sample.latitude = at.latitude;
            sample.longitude = at.longitude;
            sample.dueTick = kAdmFirstDue + i * kAdmDueStep;
            switch (track) {
            case AdmTrack::standing:
                break;
            case AdmTrack::taxi:
                sample.groundSpeed = 15.0;
                at.latitude += 0.0005;
                break;
            case AdmTrack::climb:
                sample.airborne = true;
                sample.altitude = 3000.0 + 250.0 * i;
                sample.groundSpeed = 160.0;
                sample.verticalRate = 1500.0;
                at.latitude += 0.01;
                break;
            case AdmTrack::descent:
                sample.airborne = true;
                sample.altitude = 6000.0 - 300.0 * i;
                sample.groundSpeed = 200.0;
                sample.track = 180.0;
                sample.verticalRate = -1800.0;
                at.latitude -= 0.01;
                break;
            case AdmTrack::landing:
                sample.airborne = i < 2;
                sample.altitude = i < 2 ? 300.0 : 0.0;
                sample.groundSpeed = 130.0;
                at.latitude += 0.005;
                break;
            }
            sample.track = track == AdmTrack::descent ? 180.0 : 0.0;
            aircraft.samples.push_back(sample);
        }
        return aircraft;
    }

    // The aircraft joins the live vector (placement walks it) and comes back as its record.
    static LiveAircraft& addLive(LiveAircraft aircraft) {
        trafficState.live.push_back(std::move(aircraft));
        return trafficState.live.back();
    }

    // The engine's lists back to empty between table rows; the caller holds the traffic mutex.
    static void clearEngineLists() {
        trafficState.live.clear();
        trafficState.waitingKeys.clear();
        trafficState.liveCreations.clear();
        trafficState.removals.clear();
        trafficState.ghostCallsigns.clear();
        trafficState.noLiveryKeys.clear();
        trafficState.liveryCache.clear();
        trafficState.identityChecks.clear();
        trafficState.tickCounter = kAdmFirstDue;
    }

    static bool waiting(std::uint32_t key) {
        const std::vector<std::uint32_t>& keys = trafficState.waitingKeys;
        return std::find(keys.begin(), keys.end(), key) != keys.end();
    }

    TrafficHarness harness_;
};

} // namespace ksb::test
