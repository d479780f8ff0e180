// Touch-down on the simulator's report and the landing roll up to the turn-off.
#include "traffic/motion.h"

#include "airports/park_airport_state.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/time_text.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <cmath>

namespace ksb {
namespace {

constexpr double kTurnOffAngle = 15.0 * kRadiansPerDegree;
constexpr double kRollOutSpeed = 90.0; // knots
constexpr double kFullPercent = 100.0;

// Definition 401 goes straight to the simulator; a failed write is counted like the engine's
// other raw calls.
void lf_writeSpoilersAndThrottles(const LiveAircraft& aircraft, double spoilers, double throttles) {
    TrafficLinkServices& link = trafficState.linkServices;
    if (!link.setSpoilersAndThrottles(aircraft.objectId, spoilers, throttles, throttles)) {
        gf_log("SimConnect set spoilers and throttles fails");
        link.countRequestError();
    }
}

// Spoilers in and, but for a light aircraft, the levers of definition 401 back to 0.
void lf_retractSpoilers(LiveAircraft& aircraft) {
    if (aircraft.category != AircraftCategory::rotorcraft) {
        trafficState.linkServices.setSpoilers(aircraft, false);
    }
    if (aircraft.category != AircraftCategory::light) {
        lf_writeSpoilersAndThrottles(aircraft, 0.0, 0.0);
    }
}

} // namespace

void lf_landingRoll(LiveAircraft& aircraft) {
    const TrafficLinkServices& link = trafficState.linkServices;
    const double offRunway =
        std::fabs(gf_angleDifference(aircraft.landingHeading, aircraft.position.heading));
    if (offRunway >= kTurnOffAngle) {
        link.setFlaps(aircraft, 0);
        aircraft.landingRoll = false;
        aircraft.landingHeading = 0.0;
        link.setThrottle(aircraft, gf_motionThrottle(aircraft, 0));
        lf_retractSpoilers(aircraft);
        link.queueSetLights(aircraft.objectId, kRunwayExitLights);
        return;
    }
    if (!aircraft.samples.empty() && aircraft.samples.front().groundSpeed <= kRollOutSpeed) {
        lf_retractSpoilers(aircraft);
        link.setFlaps(aircraft, 1);
    }
}

void lf_landed(LiveAircraft& aircraft) {
    if (aircraft.state == LiveState::beingRemoved ||
        aircraft.phase == FlightPhase::rotationAndInitialClimb) {
        return;
    }
    if (aircraft.flareStage != 0 || aircraft.descending) {
        const TrafficLinkServices& link = trafficState.linkServices;
        aircraft.pitchingDown = true;
        aircraft.landingRoll = true;
        trafficState.fastRange = false;
        aircraft.landingHeading = aircraft.position.heading;
        aircraft.descending = false;
        aircraft.landed = true;
        const ParkAirportState& park = gf_parkAirportState();
        const bool toPark = park.parkAirportLoaded.load() && !park.name.empty() &&
                            !aircraft.departure.empty() && aircraft.destination == park.name;
        gf_logContinue(fmt::format("{:8} landed{} {}", aircraft.callsign,
                                   toPark ? " from " + aircraft.departure : std::string(),
                                   gf_logTimeStamp()));
        if (aircraft.category != AircraftCategory::rotorcraft) {
            link.setSpoilers(aircraft, true);
        }
        if (aircraft.category != AircraftCategory::light) {
            lf_writeSpoilersAndThrottles(aircraft, kFullPercent,
                                         aircraft.fsltlModel ? -kFullPercent : kFullPercent);
        }
        if (aircraft.derotationTicks > 0) {
            aircraft.bankStep = -aircraft.position.bank / aircraft.derotationTicks;
            aircraft.pitchStep =
                (aircraft.groundPitch - aircraft.position.pitch) / aircraft.derotationTicks;
        } else {
            gf_logLine(fmt::format("{} ! onGround slots {:.1F}", aircraft.callsign,
                                   static_cast<double>(aircraft.derotationTicks)));
            aircraft.pitchStep = aircraft.groundPitch;
            aircraft.bankStep = 0.0;
        }
        trafficState.identityChecks.push_back(aircraft.flightKey);
    }
    aircraft.onGround = true;
    aircraft.verticalStep = 0.0;
    aircraft.rotationCountdown = 1;
}

} // namespace ksb
