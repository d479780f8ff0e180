#include "support/rtstub/scene_traffic.h"

#include <cmath>

namespace rtstub {

namespace {

// The service reports pressure altitude; the client corrects it by 30 ft per hPa of QNH.
constexpr double kFeetPerHectopascal = 30.0;

std::string lf_sceneText(const std::string& text) {
    return text.empty() ? std::string("null") : text;
}

} // namespace

std::vector<std::pair<std::string, nlohmann::json>> sceneLiveRecords(const SceneTraffic& traffic,
                                                                     const Box& box,
                                                                     double sceneSeconds,
                                                                     double time, int qnh) {
    std::vector<std::pair<std::string, nlohmann::json>> records;
    for (const SceneFlight& flight : traffic.flights) {
        ksb::test::TrackState state;
        const double offset = std::isinf(flight.start) ? 0.0 : flight.start;
        if (sceneSeconds < flight.start || !flight.track.at(sceneSeconds - offset, state)) {
            continue;
        }
        const double latitude = state.position.latitude;
        const double longitude = state.position.longitude;
        if (latitude > box.top || latitude < box.bottom || longitude < box.left ||
            longitude > box.right) {
            continue;
        }
        const double reported =
            state.onGround ? 0.0 : state.altitude - (qnh - 1013) * kFeetPerHectopascal;
        LiveRecordBuilder record;
        record.set(0, flight.hexid)
            .set(1, latitude)
            .set(2, longitude)
            .set(3, state.course)
            .set(4, reported)
            .set(5, state.knots)
            .squawk(flight.squawk)
            .set(7, "A")
            .set(8, flight.type)
            .set(9, lf_sceneText(flight.registration))
            .set(10, time)
            .set(11, lf_sceneText(flight.departure))
            .set(12, lf_sceneText(flight.destination))
            .set(13, flight.callsign)
            .set(15, state.feetPerMinute)
            .set(17, "adsb_icao")
            .set(18, reported)
            .set(20, state.knots)
            .set(23, state.bank)
            .set(25, state.course)
            .set(28, flight.category);
        records.emplace_back(flight.hexid, record.json());
    }
    return records;
}

std::vector<std::pair<std::string, nlohmann::json>>
sceneParkedRecords(const SceneTraffic& traffic, bool firstAnswer, double sceneSeconds, double time) {
    std::vector<std::pair<std::string, nlohmann::json>> records;
    const auto seen = static_cast<std::int64_t>(std::floor(time - traffic.parkedSeenAgo));
    for (const SceneParked& parked : traffic.parked) {
        if ((firstAnswer ? !parked.first : !parked.later) || sceneSeconds < parked.from ||
            sceneSeconds >= parked.until) {
            continue;
        }
        ParkedRecordBuilder record;
        record.set(0, parked.position.latitude)
            .set(1, parked.position.longitude)
            .set(2, parked.stand)
            .set(3, parked.type)
            .set(4, lf_sceneText(parked.registration))
            .set(5, seen)
            .set(6, lf_sceneText(parked.callsign));
        records.emplace_back(parked.hexid, record.json());
    }
    return records;
}

} // namespace rtstub
