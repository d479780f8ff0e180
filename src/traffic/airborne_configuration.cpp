// Throttle, flaps, gear and cabin lights by height: climb-out above the configuration height,
// approach and go-around at or below it.
#include "traffic/motion.h"

#include "airports/park_airport_state.h"
#include "core/geodesy.h"
#include "traffic/traffic_state.h"

namespace ksb {
namespace {

constexpr double kDescendingRate = -250.0; // feet per minute
constexpr double kClimbingRate = 400.0;
constexpr double kNotClimbingRate = 100.0;
constexpr double kGoAroundRate = 600.0;
constexpr double kCleanHeight = 2400.0; // feet above ground
constexpr double kFlapsOneHeight = 2000.0;
constexpr double kApproachRangeNM = 10.0;

// The park airport is loaded and the aircraft no farther than 10 nm from it.
bool lf_nearParkAirport(const LiveAircraft& aircraft) {
    if (!gf_parkAirportState().parkAirportLoaded.load()) {
        return false;
    }
    const Airport& park = trafficState.parkAirport;
    return gf_distanceNM(gf_aircraftPosition(aircraft), {park.lat, park.lon}) <= kApproachRangeNM;
}

void lf_beginApproach(LiveAircraft& aircraft) {
    const TrafficLinkServices& link = trafficState.linkServices;
    link.setThrottle(aircraft, gf_motionThrottle(aircraft, 1));
    link.setFlaps(aircraft, 3);
    link.setGear(aircraft, true);
    trafficState.identityChecks.push_back(aircraft.flightKey);
    aircraft.descending = true;
    aircraft.goneAround = false;
    aircraft.groundReferenceKnown = false;
    aircraft.standLatitude = 0.0;
    aircraft.standLongitude = 0.0;
    aircraft.standHeading = 0.0;
    aircraft.standId = 0;
    aircraft.standCargo = false;
    aircraft.rotationCountdown = 1;
    lf_openWindows(aircraft);
}

void lf_goAround(LiveAircraft& aircraft) {
    const TrafficLinkServices& link = trafficState.linkServices;
    lf_shrinkWindows(aircraft);
    link.setThrottle(aircraft, 4);
    link.setGear(aircraft, false);
    aircraft.goneAround = true;
    aircraft.descending = false;
    link.setFlaps(aircraft, 0);
    aircraft.flareStage = 0;
    aircraft.groundReferenceKnown = false;
}

} // namespace

void lf_climbConfiguration(LiveAircraft& aircraft) {
    const TrafficLinkServices& link = trafficState.linkServices;
    lf_shrinkWindows(aircraft);
    link.queueCabinLights(aircraft.objectId, 1);
    aircraft.takeOffRoll = false;
    aircraft.descending = false;
    if (aircraft.samples.empty()) {
        return;
    }
    const double rate = aircraft.samples.front().verticalRate;
    if (rate <= kDescendingRate && aircraft.lastThrottleState == 3) {
        link.setThrottle(aircraft, gf_motionThrottle(aircraft, 2));
    } else if (rate > kClimbingRate && aircraft.lastThrottleState == 4) {
        link.setThrottle(aircraft, gf_motionThrottle(aircraft, 3));
    }
    if (aircraft.agl >= kCleanHeight) {
        link.setGear(aircraft, false);
        link.setFlaps(aircraft, 0);
    } else if (aircraft.agl >= kFlapsOneHeight) {
        if (rate <= kNotClimbingRate && aircraft.lastFlapsState == 0) {
            link.setFlaps(aircraft, 1);
        }
    } else if (rate <= kNotClimbingRate) {
        if (aircraft.lastFlapsState == 0) {
            link.setFlaps(aircraft, 1);
        } else if (aircraft.lastFlapsState == 1) {
            link.setFlaps(aircraft, 2);
        }
    }
}

void lf_approachConfiguration(LiveAircraft& aircraft) {
    trafficState.linkServices.queueCabinLights(aircraft.objectId, 0);
    if (aircraft.samples.empty()) {
        return;
    }
    const double rate = aircraft.samples.front().verticalRate;
    if (rate <= kDescendingRate) {
        if (!aircraft.descending && lf_nearParkAirport(aircraft)) {
            lf_beginApproach(aircraft);
        }
        return;
    }
    const bool goAround =
        rate > kGoAroundRate || (aircraft.descending && !lf_nearParkAirport(aircraft));
    if (goAround && !aircraft.goneAround) {
        lf_goAround(aircraft);
    }
}

} // namespace ksb
