// The generated traffic day as long runs rely on it: the count in range rises from 0 past
// MAX_LIVE and falls back to 0, the same seed gives the same day, arrivals land and stand on a
// gate no other flight holds, and the parked answer changes over the day.
#include "support/e2e/traffic_day.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

namespace day = ksb::e2e::trafficDay;
using ksb::test::TrackState;

struct Extremes {
    int first = 0; // at second 0
    int peak = 0;
    int last = 0; // at the day's end
    // The least count after the first peak and before the last one.
    int trough = 1 << 30;
};

Extremes lf_extremes(const rtstub::SceneTraffic& traffic, const day::DayOptions& o) {
    Extremes e;
    const double length = day::realLength(o);
    std::vector<int> counts;
    for (double t = 0.0; t <= length; t += 5.0) {
        counts.push_back(day::inRange(traffic, t));
    }
    e.first = counts.front();
    e.last = day::inRange(traffic, length);
    for (const int c : counts) {
        e.peak = std::max(e.peak, c);
    }
    const auto firstPeak = std::find_if(counts.begin(), counts.end(),
                                        [&](int c) { return c >= 300; });
    const auto lastPeak = std::find_if(counts.rbegin(), counts.rend(),
                                       [&](int c) { return c >= 300; });
    for (auto it = firstPeak; it != counts.end() && it < lastPeak.base(); ++it) {
        e.trough = std::min(e.trough, *it);
    }
    return e;
}

TEST(TrafficDay, TheCountInRangeRisesFromNothingPastMaxLiveAndFallsBack) {
    struct Case {
        const char* name;
        day::DayOptions options;
        bool waves; // more than one peak, with a trough between them
    };
    const Case cases[] = {
        {"eight day hours at 16", {1, 8.0, 16.0, 330}, true},
        {"one day hour at 20 (the short run)", {1, 1.0, 20.0, 330}, false},
        // Waves of two day hours are shorter than a crossing here: no trough.
        {"four day hours at 60, another seed", {99, 4.0, 60.0, 330}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const rtstub::SceneTraffic traffic = day::generate(c.options);
        const Extremes e = lf_extremes(traffic, c.options);
        EXPECT_EQ(e.first, 0);
        EXPECT_GE(e.peak, 300);
        EXPECT_EQ(e.last, 0);
        // The count passes 300 within the first day hour, so that a long run's caches fill
        // before its memory is measured.
        int firstHour = 0;
        for (double t = 0.0; t * c.options.timeScale <= 3600.0; t += 5.0) {
            firstHour = std::max(firstHour, day::inRange(traffic, t));
        }
        EXPECT_GE(firstHour, 300);
        if (c.waves) {
            EXPECT_LT(e.trough, 60);
        }
    }
}

TEST(TrafficDay, TheSameSeedGivesTheSameDayAndAnotherSeedAnother) {
    const auto hexids = [](std::uint32_t seed) {
        std::vector<std::pair<double, double>> points;
        const rtstub::SceneTraffic traffic = day::generate({seed, 2.0, 16.0, 330});
        TrackState state;
        for (const rtstub::SceneFlight& f : traffic.flights) {
            f.track.at(1.0, state);
            points.emplace_back(state.position.latitude, state.position.longitude);
        }
        return points;
    };
    EXPECT_EQ(hexids(5), hexids(5));
    EXPECT_NE(hexids(5), hexids(6));
}

TEST(TrafficDay, ArrivalsLandAndStandOnAGateNoOtherFlightHolds) {
    const day::DayOptions o{3, 8.0, 16.0, 330};
    const rtstub::SceneTraffic traffic = day::generate(o);
    std::map<std::string, std::vector<std::pair<double, double>>> gates; // stand: [from, to)
    int landed = 0;
    int departed = 0;
    for (const rtstub::SceneFlight& f : traffic.flights) {
        TrackState first;
        ASSERT_TRUE(f.track.at(0.0, first));
        bool touchedDown = false;
        bool liftedOff = false;
        std::string gate;
        double standFrom = 0.0;
        double standTo = 0.0;
        TrackState s;
        for (double t = 0.0; f.track.at(t, s); t += 2.0) {
            touchedDown = touchedDown || (!first.onGround && s.onGround);
            liftedOff = liftedOff || ((first.onGround || touchedDown) && !s.onGround);
            if (s.onGround && s.knots == 0.0) {
                for (const day::Stand& st : day::rowA()) {
                    const ksb::test::LocalPoint a = day::frame().toLocal(s.position);
                    const ksb::test::LocalPoint b = st.local();
                    if (std::hypot(a.east - b.east, a.north - b.north) < 5.0) {
                        if (gate.empty()) {
                            standFrom = f.start + t;
                        }
                        gate = st.name;
                        standTo = f.start + t;
                    }
                }
            }
        }
        landed += touchedDown ? 1 : 0;
        departed += liftedOff ? 1 : 0;
        if (touchedDown) {
            EXPECT_FALSE(gate.empty()) << f.callsign << " landed and never stood on a gate";
        }
        if (!gate.empty()) {
            for (const auto& [from, to] : gates[gate]) {
                EXPECT_TRUE(standTo < from || standFrom > to)
                    << f.callsign << " on " << gate << " while another flight stands there";
            }
            gates[gate].emplace_back(standFrom, standTo);
        }
        EXPECT_LE(f.start + f.track.end(), day::realLength(o)) << f.callsign;
    }
    EXPECT_GE(landed, 10);
    EXPECT_GE(departed, 10);
}

TEST(TrafficDay, TheParkedAnswerChangesOverTheDayOnTheBStands) {
    const day::DayOptions o{4, 8.0, 16.0, 330};
    const rtstub::SceneTraffic traffic = day::generate(o);
    std::set<std::set<std::string>> pictures;
    for (double t = 0.0; t < day::realLength(o); t += 300.0) {
        std::set<std::string> hexids;
        std::set<std::string> stands;
        for (const auto& [hexid, record] : rtstub::sceneParkedRecords(traffic, false, t, 0.0)) {
            hexids.insert(hexid);
            const std::string stand = record[2].get<std::string>();
            EXPECT_EQ(stand[0], 'B');
            EXPECT_TRUE(stands.insert(stand).second) << "two parked aircraft on " << stand;
        }
        pictures.insert(hexids);
    }
    EXPECT_GE(pictures.size(), 4u);
}

} // namespace
