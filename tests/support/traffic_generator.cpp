#include "support/traffic_generator.h"

#include "airports/park_airport_state.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "catalogue/livery_index.h"
#include "core/parameters.h"
#include "core/random_engine.h"
#include "core/run_state.h"
#include "core/sim_session_state.h"
#include "core/time_of_week.h"
#include "traffic/stand_table.h"
#include "traffic/static_parking.h"
#include "traffic/traffic_state.h"

#include "support/catalogue_fixtures.h"
#include "support/leg_track.h"
#include "support/live_flight_builder.h"
#include "support/traffic_harness.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>
#include <optional>
#include <numeric>
#include <random>
#include <utility>

namespace ksb::test {

namespace {

constexpr double kGenStandSpacingMetres = 80.0;
constexpr double kGenStandRadiusMetres = 30.0;
constexpr double kGenUserSouthMetres = 300.0;
constexpr int kGenObservationsPerStand = 20;
constexpr int kGenCircleRecords = 120; // 3 degrees of turn per record
constexpr double kGenTaxiKnots = 20.0;
constexpr double kGenStandingSpacing = 16.0; // seconds; standing records further apart than 15 s
constexpr std::uint32_t kGenFirstHexid = 0x400000;
// Wednesday 10:00 UTC, the engine's "now" for the whole run.
constexpr DayHalfHour kGenNow = gf_packDayHalfHour(3, 20);

Position lf_genMoved(const Position& from, double northMetres, double eastMetres) {
    const Position north = gf_destinationPoint(from, northMetres >= 0.0 ? 0.0 : std::numbers::pi,
                                               std::fabs(northMetres) * kNMPerMetre * kFeetPerNM);
    return gf_destinationPoint(north, eastMetres >= 0.0 ? std::numbers::pi / 2.0 : 3.0 * std::numbers::pi / 2.0,
                               std::fabs(eastMetres) * kNMPerMetre * kFeetPerNM);
}

} // namespace

TrafficGenerator::TrafficGenerator(int flights, std::uint32_t seed)
    : seed_(seed), corner_{50.02, 8.52} {
    user_ = lf_genMoved(corner_, -kGenUserSouthMetres,
                        (kGeneratedStandColumns - 1) * kGenStandSpacingMetres / 2.0);
    buildStands(seed);

    counts_.standing = flights * 15 / 100;
    counts_.taxiing = flights * 20 / 100;
    counts_.airborne = flights - counts_.standing - counts_.taxiing;

    std::mt19937 random(seed);
    std::vector<std::size_t> standOrder(stands_.size());
    std::iota(standOrder.begin(), standOrder.end(), std::size_t{0});
    std::shuffle(standOrder.begin(), standOrder.end(), random);
    loops_.reserve(static_cast<std::size_t>(flights));
    for (int i = 0; i < flights; ++i) {
        const std::uint32_t hexid = kGenFirstHexid + static_cast<std::uint32_t>(i);
        const std::uint32_t draw = static_cast<std::uint32_t>(random());
        if (i < counts_.airborne) {
            loops_.push_back(airborneLoop(hexid, draw));
        } else if (i < counts_.airborne + counts_.taxiing) {
            loops_.push_back(taxiLoop(hexid, draw));
        } else {
            const std::size_t s = static_cast<std::size_t>(i - counts_.airborne - counts_.taxiing);
            loops_.push_back(standingLoop(hexid, stands_[standOrder[s % standOrder.size()]]));
        }
    }
}

void TrafficGenerator::buildStands(std::uint32_t seed) {
    std::mt19937 random(seed ^ 0x5a5a5a5aU);
    const int count = kGeneratedStandColumns * kGeneratedStandRows;
    stands_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int row = i / kGeneratedStandColumns;
        const int column = i % kGeneratedStandColumns;
        const Position at = lf_genMoved(corner_, row * kGenStandSpacingMetres,
                                        column * kGenStandSpacingMetres);
        std::vector<StandObservation> observations;
        for (int n = 0; n < kGenObservationsPerStand; ++n) {
            StandObservation o;
            o.airline = "BAW";
            o.type = "A320";
            o.callsign = fmt::format("BAW{}", 1000 + i * kGenObservationsPerStand + n);
            o.registration = fmt::format("G-O{:04}", i * kGenObservationsPerStand + n);
            o.day = 1 + static_cast<std::int32_t>(random() % 7);
            const std::size_t first = random() % 44;
            const std::size_t length = 1 + random() % 4;
            for (std::size_t slot = first; slot < first + length; ++slot) {
                o.halfHours.set(slot);
            }
            o.sequenceNumber = static_cast<std::uint32_t>(n + 1);
            o.learned = true;
            observations.push_back(std::move(o));
        }
        ParkPosition& stand = stands_.emplace_back(
            std::move(observations), fmt::format("{}{}", static_cast<char>('A' + row), column + 1),
            at.latitude, at.longitude, 0.0, kGenStandRadiusMetres, false, false, false);
        stand.standId = static_cast<std::uint32_t>(i + 1);
    }
    for (std::size_t i = 0; i < stands_.size(); ++i) {
        if (i % kGeneratedStandColumns != 0) {
            stands_[i].adjacentStandIds.push_back(stands_[i - 1].standId);
        }
        if ((i + 1) % kGeneratedStandColumns != 0 && i + 1 < stands_.size()) {
            stands_[i].adjacentStandIds.push_back(stands_[i + 1].standId);
        }
    }
}

TrafficGenerator::Loop TrafficGenerator::airborneLoop(std::uint32_t hexid,
                                                      std::uint32_t draw) const {
    // A circle of about 2.4 to 3.3 NM radius whose centre lies within 5 NM of the user, so that
    // every point stays inside 10 NM. A third climb the first half and descend the second.
    std::mt19937 random(draw);
    const double knots = 220.0 + static_cast<double>(random() % 80);
    const double bearing = static_cast<double>(random() % 360) * kRadiansPerDegree;
    const double centreNm = static_cast<double>(random() % 500) / 100.0;
    const double altitude = 3000.0 + static_cast<double>(random() % 60) * 100.0;
    const int shape = static_cast<int>(random() % 3); // 0 level, 1 climb first, 2 descend first
    const double fpm = shape == 0 ? 0.0 : (shape == 1 ? 1000.0 : -1000.0);
    const bool clockwise = random() % 2 == 0;
    const double lap = kGenCircleRecords * kGeneratedBatchSeconds / 3600.0 * knots; // NM
    const double radius = lap / (2.0 * std::numbers::pi);
    const Position centre = gf_destinationPoint(user_, bearing, centreNm * kFeetPerNM);
    const double startHeading = static_cast<double>(random() % 120) * 3.0;
    // The start lies a quarter turn before the heading, seen from the centre.
    const double toStart = startHeading + (clockwise ? -90.0 : 90.0);
    const Position start =
        gf_destinationPoint(centre, toStart * kRadiansPerDegree, radius * kFeetPerNM);

    LiveFlightBuilder builder(hexid);
    builder.callsign(fmt::format("BAW{}", 100 + (hexid - kGenFirstHexid)))
        .registration(fmt::format("G-G{:03X}", hexid - kGenFirstHexid))
        .route("EGLL", "EDDF")
        .at(start.latitude, start.longitude)
        .altitude(altitude)
        .stamps(kFirstFeedStamp, kGeneratedBatchSeconds);
    std::vector<Leg> legs;
    for (int i = 0; i < kGenCircleRecords; ++i) {
        const double turn = 3.0 * i * (clockwise ? 1.0 : -1.0);
        Leg leg;
        leg.heading = std::fmod(startHeading + turn + 720.0, 360.0);
        leg.knots = knots;
        leg.feetPerMinute = i < kGenCircleRecords / 2 ? fpm : -fpm;
        leg.airborne = true;
        leg.spacing = kGeneratedBatchSeconds;
        legs.push_back(leg);
    }
    return Loop{legTrack(builder, legs), kGeneratedBatchSeconds};
}

TrafficGenerator::Loop TrafficGenerator::taxiLoop(std::uint32_t hexid, std::uint32_t draw) const {
    // A rectangle east of the grid, from the stands' side down to a runway south of the user:
    // north and south legs of 600 m, east and west legs of 200 m.
    std::mt19937 random(draw);
    const double east = kGeneratedStandColumns * kGenStandSpacingMetres + 200.0 +
                        static_cast<double>(random() % 600);
    const double north = -600.0 + static_cast<double>(random() % 400);
    const Position start = lf_genMoved(corner_, north, east);
    const double metresPerRecord = kGenTaxiKnots * kGeneratedBatchSeconds / 3600.0 / kNMPerMetre;
    const int longSide = static_cast<int>(std::lround(600.0 / metresPerRecord));
    const int shortSide = static_cast<int>(std::lround(200.0 / metresPerRecord));

    LiveFlightBuilder builder(hexid);
    builder.callsign(fmt::format("BAW{}", 100 + (hexid - kGenFirstHexid)))
        .registration(fmt::format("G-G{:03X}", hexid - kGenFirstHexid))
        .route("EDDF", "EGLL")
        .at(start.latitude, start.longitude)
        .altitude(0.0)
        .stamps(kFirstFeedStamp, kGeneratedBatchSeconds);
    std::vector<Leg> legs;
    const double headings[4] = {0.0, 90.0, 180.0, 270.0};
    const int counts[4] = {longSide, shortSide, longSide, shortSide};
    for (int side = 0; side < 4; ++side) {
        Leg leg;
        leg.heading = headings[side];
        leg.knots = kGenTaxiKnots;
        leg.count = counts[side];
        leg.spacing = kGeneratedBatchSeconds;
        legs.push_back(leg);
    }
    return Loop{legTrack(builder, legs), kGeneratedBatchSeconds};
}

TrafficGenerator::Loop TrafficGenerator::standingLoop(std::uint32_t hexid,
                                                      const ParkPosition& stand) const {
    LiveFlightBuilder builder(hexid);
    builder.callsign(fmt::format("BAW{}", 100 + (hexid - kGenFirstHexid)))
        .registration(fmt::format("G-G{:03X}", hexid - kGenFirstHexid))
        .route("EDDF", "EGLL")
        .at(stand.latitude, stand.longitude)
        .track(0.0)
        .altitude(0.0)
        .stamps(kFirstFeedStamp, kGenStandingSpacing);
    return Loop{builder.standing(1), kGenStandingSpacing};
}

std::vector<LiveFlight> TrafficGenerator::batch(std::int64_t number) const {
    const double now = static_cast<double>(number) * kGeneratedBatchSeconds;
    std::vector<LiveFlight> out;
    out.reserve(loops_.size());
    for (const Loop& loop : loops_) {
        const auto step = static_cast<std::int64_t>(std::floor(now / loop.spacing + 1e-9));
        const auto size = static_cast<std::int64_t>(loop.records.size());
        LiveFlight record = loop.records[static_cast<std::size_t>(step % size)];
        record.timeStamp = kFirstFeedStamp + static_cast<double>(step) * loop.spacing;
        out.push_back(std::move(record));
    }
    return out;
}

void TrafficGenerator::install(TrafficHarness& harness) const {
    gf_setRandomSeedForTests(seed_);
    LOG.setRaw(false);
    AUTO_RANGE.setRaw(false);
    LATERAL_RANGE.setRaw(10);
    MAX_LIVE.setRaw(300);
    parking_percentage.setRaw(30);
    WEEK.setRaw(false);
    PARK_SOFT.setRaw(true);
    RT_PARKTRAFFIC_ONLY.setRaw(false);
    INITIAL_LOAD_ONLY.setRaw(false);
    scannedLiveries = {livery("BAW", "A320", "Airbus A320 British Airways")};
    ::gf_processScannedLiveries();
    harness.setDayHalfHour(kGenNow);
    UserAircraftState user;
    user.latitude = user_.latitude;
    user.longitude = user_.longitude;
    user.altitude = kGeneratedElevationFeet;
    harness.link().setUserState(user);
    harness.link().setFrameRate(60.0F);
    userOnGround = true;
    userOnGroundKnown = true;

    std::lock_guard traffic(trafficState.trafficMutex);
    ParkAirportState& park = gf_parkAirportState();
    park.name = "EDDF";
    park.altitude = kGeneratedElevationFeet;
    park.altitudeFt = static_cast<std::int32_t>(kGeneratedElevationFeet);
    park.stands = stands_;
    park.parkAirportLoaded = true;
    trafficState.parkAirport = Airport{"EDDF", "FRA", corner_.latitude, corner_.longitude,
                                       kGeneratedElevationFeet};
    gf_clearStandNameMemo();
    trafficState.live.reserve(loops_.size() + 16);
    trafficState.statics.reserve(stands_.size());
    gf_calculateStaticParking();
}

GeneratedLoad::GeneratedLoad(int flights, std::uint32_t seed)
    : generator_(flights, seed), harness_(std::make_unique<TrafficHarness>()) {
    harness_->autoSim(3, kGeneratedElevationFeet);
    ground_ = std::make_unique<FlatGround>(*harness_, kGeneratedElevationFeet);
    generator_.install(*harness_);
    std::lock_guard traffic(trafficState.trafficMutex);
    plannedStatics_ = static_cast<int>(trafficState.standsToFill.size());
}

GeneratedLoad::~GeneratedLoad() {
    ground_.reset();
    harness_.reset();
    gf_setRandomSeedForTests(std::nullopt);
    userOnGround = false;
    userOnGroundKnown = false;
    scannedLiveries.clear();
}

void GeneratedLoad::feedBatch() {
    harness_->feed(generator_.batch(batches_++), kFeedDelay);
}

void GeneratedLoad::tick() {
    harness_->tick(1);
    ++ticks_;
}

void GeneratedLoad::cycle() {
    if (batchDue()) {
        feedBatch();
    }
    tick();
}

bool GeneratedLoad::settled() const {
    std::lock_guard traffic(trafficState.trafficMutex);
    const auto inSim = [](const auto& a) { return a.state == LiveState::inSimulator; };
    const auto live = std::count_if(trafficState.live.begin(), trafficState.live.end(), inSim);
    const auto statics =
        std::count_if(trafficState.statics.begin(), trafficState.statics.end(), inSim);
    // A planned static aircraft whose stand a live one took is never created.
    return live >= generator_.flights() && trafficState.standsToFill.empty() &&
           trafficState.staticCreations.empty() &&
           statics == static_cast<std::ptrdiff_t>(trafficState.statics.size());
}

} // namespace ksb::test
