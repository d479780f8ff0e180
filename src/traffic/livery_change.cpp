// A livery change removes the aircraft and creates it again; its samples are set so that the
// new object appears where the old one was, not at its next feed position.
#include "core/log.h"
#include "core/parameters.h"
#include "core/time_text.h"
#include "traffic/motion.h"
#include "traffic/stand_manoeuvre_steps.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <cstdint>
#include <deque>

namespace ksb {

void lf_liveryChange(LiveAircraft& aircraft) {
    const std::int64_t now = gf_motionNow();
    std::deque<PositionSample>& samples = aircraft.samples;
    // An empty queue (never so in the simulator) gives a sample of the aircraft's own place.
    const PositionSample current = samples.empty() ? PositionSample{} : samples.front();

    if (aircraft.phase != FlightPhase::parked) {
        PositionSample here = current;
        here.latitude = aircraft.position.latitude;
        here.longitude = aircraft.position.longitude;
        here.bank = aircraft.position.bank;
        here.altitude = aircraft.position.altitude;
        here.dueTick = gf_dueTickAfter(now, 1);
        here.repeated = here.latitude == current.latitude && here.longitude == current.longitude;
        samples.push_front(here);
        aircraft.state = LiveState::toBeRecreated;
        return;
    }

    if (samples.size() >= 2) {
        if (LOG.value()) {
            gf_log(fmt::format("{:8}: {} {} livery change stream.size: {} !",
                               gf_standLogName(aircraft.standId), aircraft.callsign,
                               gf_utcClockText(), samples.size()));
        }
        gf_keepCurrentSample(aircraft);
    }
    if (!samples.empty()) {
        samples.front().repeated = true;
        samples.front().track = aircraft.position.heading * kDegreesPerRadian;
    }
    PositionSample stay = current;
    if (samples.empty()) {
        stay.latitude = aircraft.position.latitude;
        stay.longitude = aircraft.position.longitude;
        stay.altitude = aircraft.position.altitude;
    }
    stay.repeated = true;
    stay.dueTick = gf_dueTickAfter(now, 1);
    samples.push_front(stay);
    aircraft.state = LiveState::toBeRecreated;
}

} // namespace ksb
