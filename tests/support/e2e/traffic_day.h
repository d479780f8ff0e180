#pragma once
// A generated, seeded day of traffic on the traffic scene's airport, for long runs: overflights
// cross the live range, arrivals come in from its edge, land on runway 25, taxi to an A stand and
// stay; some turn round there, push back, taxi out, take off and leave; others appear on a stand
// and depart. The parked answer's aircraft come and go on the B stands. The count in range rises
// and falls in waves of two day hours between 0 and the peak, and nothing is left at the day's end.
//
// Time scaling: the day runs timeScale times faster than real time, but every flight moves at its
// real speed, so that the program sees sane motion. Only the schedule shrinks: when flights come,
// how long they stay on a stand, when parked aircraft change.
#include "support/e2e/traffic_scene.h"
#include "support/rtstub/scene_traffic.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace ksb::e2e::trafficDay {

using namespace trafficScene;

struct DayOptions {
    std::uint32_t seed = 1;
    double hours = 8.0;      // of the day
    double timeScale = 16.0; // day seconds per real second
    int peak = 330;          // flights in range at the top of each wave
};

inline constexpr double kRangeNm = 9.8;        // where flights appear and leave
inline constexpr double kWaveDaySeconds = 7200.0;
inline constexpr double kLastFlightSeconds = 300.0; // real; no flight outlives the day by this
inline constexpr double kMetresPerNm = 1852.0;

// The seconds of the day in real seconds.
inline double realLength(const DayOptions& o) {
    return o.hours * 3600.0 / o.timeScale;
}

// The spawn window ends early enough for the last flight to leave within the day.
inline double spawnEnd(const DayOptions& o) {
    const double length = realLength(o);
    return length - std::min(kLastFlightSeconds, length / 3.0);
}

// The wanted count in range at the real second: a rise to the peak in the first half day hour
// and the peak held for another half, so that the program reaches MAX_LIVE and its caches fill
// early; then waves of two day hours down to 0 and up again, and 0 once the spawn window has
// ended.
inline double wantedInRange(const DayOptions& o, double seconds) {
    const double end = spawnEnd(o);
    if (seconds < 0.0 || seconds >= end) {
        return 0.0;
    }
    constexpr double kPi = 3.14159265358979323846;
    const double rise = std::min(1800.0 / o.timeScale, end / 2.0);
    if (seconds < rise) {
        const double s = std::sin(kPi / 2.0 * seconds / rise);
        return o.peak * s * s;
    }
    if (seconds < 2.0 * rise) {
        return o.peak;
    }
    const double c = std::cos(kPi * (seconds - 2.0 * rise) * o.timeScale / kWaveDaySeconds);
    return o.peak * c * c;
}

// An aircraft of the scene's database: the program finds its airline through the registration,
// so the day's flights fly the scene's registrations, each on many flights.
struct Airframe {
    std::string airline;
    std::string type;
    std::string registration;
};

// Every airframe of the scene that has a livery the simulator takes.
inline std::vector<Airframe> airframes() {
    std::vector<Airframe> list;
    for (const Flight& f : flights()) {
        if (!f.expectedTitle.empty() && f.expectedTitle != kRefusedTitle) {
            list.push_back({f.airline, f.type, f.registration});
        }
    }
    for (const Parked& p : parked()) {
        list.push_back({p.airline, p.type, p.registration});
    }
    for (const Learned& l : learned()) {
        list.push_back({l.airline, l.type, l.registration});
    }
    return list;
}

inline rtstub::SceneFlight gf_dayFlight(int index, const Airframe& airframe, test::Track track,
                                        double start) {
    const bool heavy = airframe.type == "B772" || airframe.type == "A388";
    rtstub::SceneFlight flight{fmt::format("{:06x}", 0xa00000 + index),
                               fmt::format("{}{}", airframe.airline, 1000 + index % 9000),
                               airframe.type,
                               airframe.registration,
                               "",
                               "",
                               heavy ? "A5" : "A3",
                               "1000",
                               std::move(track)};
    flight.start = start;
    return flight;
}

// Straight across the range at a level, from the edge at one bearing to the edge at another.
inline test::Track overflightTrack(std::mt19937& random) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double in = unit(random) * 360.0;
    const double out = in + 180.0 + (unit(random) - 0.5) * 300.0;
    const test::LocalPoint from = gf_sceneAlong({0.0, 0.0}, in, kRangeNm * kMetresPerNm);
    const test::LocalPoint to = gf_sceneAlong({0.0, 0.0}, out, kRangeNm * kMetresPerNm);
    const double feet = 3000.0 + std::floor(unit(random) * 9) * 1000.0;
    const double knots = 220.0 + unit(random) * 100.0;
    test::Track track(frame(), from, feet, 0.0, false);
    track.moveTo(to, knots).endAfter(0.0);
    return track;
}

inline constexpr double kTaxiwayNorth = kRowANorth - kTaxiwayToRow;

// From the range's edge on final for runway 25, down to a stand of row A, where it stands for
// the seconds.
inline test::Track arrivalTrack(const Stand& stand, double standSeconds) {
    constexpr double kKnots = 160.0;
    const double back = kRunway25Course - 180.0;
    const test::LocalPoint exit = runwayAtEast(kArrivalExitEast);
    const test::LocalPoint touchDown = gf_sceneAlong(exit, back, 1200.0);
    const test::LocalPoint start = gf_sceneAlong(touchDown, back, (kRangeNm - 1.0) * kMetresPerNm);
    const double seconds = (kRangeNm - 1.0) * 3600.0 / kKnots;
    const double height = (kRangeNm - 1.0) * 318.0; // a 3° path
    const test::LocalPoint at = stand.local();
    test::Track track(frame(), start, kFieldElevation + height, kRunway25Course, false);
    track.straight(kRunway25Course, seconds, kKnots, -height / seconds * 60.0)
        .setOnGround(true)
        .accelerate(kRunway25Course, 20.0, 4.0)
        .moveTo(exit, 20.0)
        .moveTo({kArrivalExitEast, kTaxiwayNorth}, 15.0)
        .moveTo({at.east, kTaxiwayNorth}, 15.0)
        .moveTo(at, 10.0)
        .stand(standSeconds);
    return track;
}

// From where the track stands on a stand of row A: pushed back onto the taxiway, out to runway
// 25, off and away past the range's edge.
inline test::Track& departFrom(test::Track& track, const Stand& stand) {
    const test::LocalPoint at = stand.local();
    track.pushBack(at.north - kTaxiwayNorth, 30.0)
        .stand(10.0)
        .moveTo({kDepartureEntryEast, kTaxiwayNorth}, 20.0)
        .moveTo(runwayAtEast(kDepartureEntryEast), 20.0)
        .accelerate(kRunway25Course, 155.0, 4.0)
        .setOnGround(false)
        .accelerate(kRunway25Course, 250.0, 1.0, 2000.0)
        .straight(kRunway25Course, 60.0, 250.0, 2000.0)
        .endAfter(0.0);
    return track;
}

inline std::vector<Stand> rowA() {
    std::vector<Stand> list;
    for (const Stand& s : stands()) {
        if (s.name[0] == 'A') {
            list.push_back(s);
        }
    }
    return list;
}

// The day. Flights start at their scene second (real seconds from the first live answer).
inline rtstub::SceneTraffic generate(const DayOptions& o) {
    std::mt19937 random(o.seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    rtstub::SceneTraffic traffic;
    const double length = realLength(o);
    const double end = spawnEnd(o);
    const std::vector<Stand> gates = rowA();
    std::vector<double> gateFree(gates.size(), 0.0); // real second from which a gate is free
    std::multiset<double> leaving;                   // end seconds of the flights in range
    int index = 0;
    double nextGround = 20.0;
    const std::vector<Airframe> fleet = airframes();
    const auto airline = [&] { return fleet[random() % fleet.size()]; };
    for (double t = 0.0; t < end; t += 1.0) {
        while (!leaving.empty() && *leaving.begin() <= t) {
            leaving.erase(leaving.begin());
        }
        // The airport: every 20 to 50 real seconds an arrival or a departure on a free gate.
        if (t >= nextGround) {
            nextGround = t + 20.0 + unit(random) * 30.0;
            // Stays of 20 to 90 day minutes.
            const double stay = (20.0 + unit(random) * 70.0) * 60.0 / o.timeScale;
            const int kind = static_cast<int>(random() % 3); // 0 arrive, 1 turn round, 2 depart
            for (std::size_t g = 0; g < gates.size(); ++g) {
                const std::size_t gate = (g + random()) % gates.size();
                if (gateFree[gate] > t) {
                    continue;
                }
                test::Track track = kind == 2 ? test::Track(frame(), gates[gate].local(),
                                                            kFieldElevation, 0.0, true)
                                              : arrivalTrack(gates[gate], stay);
                if (kind == 2) {
                    track.stand(stay);
                }
                if (kind != 0) {
                    departFrom(track, gates[gate]);
                } else {
                    track.endAfter(0.0);
                }
                const double last = t + track.end();
                if (last < length) {
                    gateFree[gate] = last + 30.0;
                    leaving.insert(last);
                    traffic.flights.push_back(gf_dayFlight(index++, airline(), track, t));
                }
                break;
            }
        }
        const double wanted = wantedInRange(o, t);
        for (int tries = 0; static_cast<double>(leaving.size()) < wanted && tries < 1000;
             ++tries) {
            // Near the day's end only the short crossings still fit.
            test::Track track = overflightTrack(random);
            if (t + track.end() < length) {
                leaving.insert(t + track.end());
                traffic.flights.push_back(gf_dayFlight(index++, airline(), track, t));
            }
        }
    }
    // The parked answer: on each B stand a parked aircraft for one to three day hours, then none
    // for half an hour to one and a half, and so on.
    for (const Stand& s : stands()) {
        if (s.name[0] != 'B') {
            continue;
        }
        double t = -unit(random) * 3600.0 / o.timeScale;
        while (t < length) {
            const double stay = (1.0 + unit(random) * 2.0) * 3600.0 / o.timeScale;
            const Airframe a = airline();
            const rtstub::SceneFlight named = gf_dayFlight(index++, a, test::Track(frame(), {}, 0.0, 0.0, true), 0.0);
            rtstub::SceneParked parked{named.hexid, named.callsign, named.type,
                                       named.registration, s.name, s.position};
            parked.from = t;
            parked.until = t + stay;
            traffic.parked.push_back(parked);
            t += stay + (0.5 + unit(random)) * 3600.0 / o.timeScale;
        }
    }
    traffic.parkedSeenAgo = 600.0;
    return traffic;
}

// How many flights of the traffic are in range (their tracks run) at the scene second.
inline int inRange(const rtstub::SceneTraffic& traffic, double seconds) {
    int count = 0;
    test::TrackState state;
    for (const rtstub::SceneFlight& f : traffic.flights) {
        if (seconds >= f.start && f.track.at(seconds - f.start, state)) {
            ++count;
        }
    }
    return count;
}

} // namespace ksb::e2e::trafficDay
