// The web-service stand-in serving the traffic scene: live records built from the scene's
// tracks at the answer's time, the request's box, the tracks before their first point, and the
// parked answers first and later.
#include "raw_http.h"

#include "support/e2e/traffic_scene.h"
#include "support/manual_clock.h"
#include "support/rtstub/rt_stub.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <optional>
#include <set>

namespace {

using nlohmann::json;
namespace scene = ksb::e2e::trafficScene;
using ksb::test::GeoPoint;
using ksb::test::TrackState;

constexpr double kStart = 1765368000.0;
// The client adds (1021 - 1013) x 30 ft back.
constexpr double kQnhFeet = 240.0;
// About 15 NM around the user.
const std::string kWideBox = "top=50.30&bottom=49.78&left=8.18&right=8.96";

class RtStubSceneTest : public ::testing::Test {
protected:
    RtStubSceneTest() : clock_(kStart), stub_(options()) {
        const auto auth = json::parse(
            rawhttp::post(stub_.port(), "/v4/auth", "license=E2E%2Blic%26key%3D1%25&software=T")
                .body);
        guid_ = auth.value("GUID", "");
    }

    rtstub::Options options() {
        rtstub::Options o = scene::rtOptions();
        o.clock = &clock_;
        return o;
    }
    json post(const std::string& body) {
        return json::parse(
            rawhttp::post(stub_.port(), "/v4/traffic", "GUID=" + guid_ + "&" + body).body);
    }
    json traffic(const std::string& box = kWideBox, int toffset = 0) {
        return post(box + "&querytype=locationtraffic&toffset=" + std::to_string(toffset));
    }
    json parkedAnswer() { return post(kWideBox + "&querytype=parkedtraffic&toffset=0"); }
    void at(double sceneSeconds) { clock_.setUtcSeconds(kStart + sceneSeconds); }

    ksb::test::ManualClock clock_;
    rtstub::RtStub stub_;
    std::string guid_;
    const rtstub::SceneTraffic traffic_ = scene::rtTraffic();
};

const rtstub::SceneFlight& lf_sceneFlight(const rtstub::SceneTraffic& traffic,
                                          const std::string& hexid) {
    for (const rtstub::SceneFlight& f : traffic.flights) {
        if (f.hexid == hexid) {
            return f;
        }
    }
    throw std::invalid_argument(hexid);
}

// Every element of the record against the flight's track at the scene second.
void lf_expectOnTrack(const rtstub::SceneFlight& flight, const json& record, double seconds,
                      double stamp) {
    SCOPED_TRACE(flight.callsign);
    TrackState s;
    ASSERT_TRUE(flight.track.at(seconds, s));
    ASSERT_EQ(record.size(), 29u);
    EXPECT_EQ(record[0], flight.hexid);
    EXPECT_NEAR(record[1].get<double>(), s.position.latitude, 1e-9);
    EXPECT_NEAR(record[2].get<double>(), s.position.longitude, 1e-9);
    EXPECT_NEAR(record[3].get<double>(), s.course, 1e-9);
    EXPECT_NEAR(record[4].get<double>(), s.onGround ? 0.0 : s.altitude - kQnhFeet, 1e-6);
    EXPECT_NEAR(record[5].get<double>(), s.knots, 1e-9);
    EXPECT_EQ(record[8], flight.type);
    EXPECT_EQ(record[9], flight.registration);
    EXPECT_DOUBLE_EQ(record[10].get<double>(), stamp);
    EXPECT_EQ(record[11], flight.departure.empty() ? "null" : flight.departure);
    EXPECT_EQ(record[12], flight.destination.empty() ? "null" : flight.destination);
    EXPECT_EQ(record[13], flight.callsign);
    EXPECT_NEAR(record[15].get<double>(), s.feetPerMinute, 1e-9);
    EXPECT_EQ(record[17], "adsb_icao");
    EXPECT_NEAR(record[20].get<double>(), s.knots, 1e-9);
    EXPECT_NEAR(record[23].get<double>(), s.bank, 1e-9);
    EXPECT_NEAR(record[25].get<double>(), s.course, 1e-9);
}

GeoPoint lf_point(const json& record) {
    return {record[1].get<double>(), record[2].get<double>()};
}

TEST_F(RtStubSceneTest, LiveRecordsFollowTheTracksFromTheFirstAnswer) {
    ASSERT_EQ(guid_, "G-1");
    const scene::Stand a5 = scene::stand("A5");
    const scene::Stand a7 = scene::stand("A7");
    const auto frame = scene::frame();
    const auto south = [&](const scene::Stand& s, double metres) {
        const auto p = s.local();
        return frame.toGeo({p.east, p.north - metres});
    };
    struct Case {
        const char* name;
        double seconds;
        const char* hexid;
        bool present;
        std::optional<GeoPoint> position; // within 0.01 m
        std::optional<double> index4;
        std::optional<double> course;
    };
    const Case cases[] = {
        {"arrival on final", 0.0, "3c4ab1", true, std::nullopt, 1634.0 - kQnhFeet, 250.0},
        {"departure on A7", 0.0, "3c49cd", true, a7.position, 0.0, 0.0},
        {"circle at 7,000 ft, north of the field", 0.0, "4007f1", true,
         frame.toGeo({0.0, 6.0 * 1852.0}), 7000.0 - kQnhFeet, 90.0},
        {"circle without a route", 0.0, "4ca001", true, std::nullopt, 4000.0 - kQnhFeet, 330.0},
        {"leaver", 0.0, "440071", true, std::nullopt, 12000.0 - kQnhFeet, 290.0},
        {"departure half pushed back, nose north", 55.0, "3c49cd", true, south(a7, 30.0), 0.0, 0.0},
        {"arrival rolling out", 110.0, "3c4ab1", true, std::nullopt, 0.0, 250.0},
        {"leaver past its track", 121.0, "440071", false, std::nullopt, std::nullopt, std::nullopt},
        {"arrival standing on A5", 400.0, "3c4ab1", true, a5.position, 0.0, 0.0},
        {"departure past its feed", 400.0, "3c49cd", false, std::nullopt, std::nullopt,
         std::nullopt},
        {"refused title still served", 400.0, "3c6a5f", true, std::nullopt, 6000.0 - kQnhFeet,
         std::nullopt},
    };
    // The first answer is second 0, whatever the cases ask first; a parked answer sets nothing.
    at(-30.0);
    parkedAnswer();
    EXPECT_EQ(stub_.sceneStart(), std::nullopt);
    at(0.0);
    traffic();
    EXPECT_EQ(stub_.sceneStart(), kStart);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        at(c.seconds);
        const json answer = traffic();
        ASSERT_EQ(answer.at("status"), 200);
        const json& data = answer.at("data");
        EXPECT_EQ(answer.at("full_count"), data.size());
        for (const auto& [hex, record] : data.items()) {
            lf_expectOnTrack(lf_sceneFlight(traffic_, hex), record, c.seconds, kStart + c.seconds);
        }
        ASSERT_EQ(data.contains(c.hexid), c.present);
        if (!c.present) {
            continue;
        }
        const json& record = data.at(c.hexid);
        if (c.position) {
            EXPECT_NEAR(record[1].get<double>(), c.position->latitude, 1e-7);
            EXPECT_NEAR(record[2].get<double>(), c.position->longitude, 1e-7);
        }
        if (c.index4) {
            EXPECT_NEAR(record[4].get<double>(), *c.index4, 1e-6);
        }
        if (c.course) {
            EXPECT_NEAR(record[3].get<double>(), *c.course, 1e-9);
            EXPECT_NEAR(record[25].get<double>(), *c.course, 1e-9);
        }
    }
    // A time offset asks for the past: the scene's second moves back with it.
    at(400.0);
    const json past = traffic(kWideBox, 5);
    ASSERT_TRUE(past.at("data").contains("3c49cd"));
    lf_expectOnTrack(lf_sceneFlight(traffic_, "3c49cd"), past.at("data").at("3c49cd"), 100.0,
                     kStart + 100.0);
}

TEST_F(RtStubSceneTest, OnlyFlightsInsideTheBoxAreServed) {
    struct Case {
        const char* name;
        const char* box;
        double top, bottom, left, right;
    };
    const Case cases[] = {
        {"north of the field", "top=50.30&bottom=50.05&left=8.18&right=8.96", 50.30, 50.05, 8.18,
         8.96},
        {"west of the field", "top=50.30&bottom=49.78&left=8.18&right=8.55", 50.30, 49.78, 8.18,
         8.55},
        {"far away", "top=10.00&bottom=9.00&left=1.00&right=2.00", 10.0, 9.0, 1.0, 2.0},
    };
    at(0.0);
    traffic();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        at(30.0);
        std::set<std::string> expected;
        for (const rtstub::SceneFlight& f : traffic_.flights) {
            TrackState s;
            if (f.track.at(30.0, s) && s.position.latitude <= c.top &&
                s.position.latitude >= c.bottom && s.position.longitude >= c.left &&
                s.position.longitude <= c.right) {
                expected.insert(f.hexid);
            }
        }
        std::set<std::string> served;
        const json answer = traffic(c.box);
        for (const auto& [hex, record] : answer.at("data").items()) {
            served.insert(hex);
        }
        EXPECT_EQ(served, expected);
        EXPECT_LT(served.size(), traffic_.flights.size());
    }
    // A box around part of the field holds some of the flights.
    EXPECT_FALSE(traffic(cases[0].box).at("data").empty());
}

TEST_F(RtStubSceneTest, BeforeTheFirstAnswerTheFirstLegsRunBackwards) {
    at(0.0);
    const json buffered = post(kWideBox + "&querytype=locationtraffic&toffset=0&buffercount=3&"
                                          "buffertime=10");
    ASSERT_EQ(buffered.at("status"), 200);
    ASSERT_EQ(buffered.at("data").size(), 3u);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const json& buffer = buffered.at("data").at("buffer_" + std::to_string(k));
        EXPECT_EQ(buffer.size(), traffic_.flights.size());
        for (const auto& [hex, record] : buffer.items()) {
            lf_expectOnTrack(lf_sceneFlight(traffic_, hex), record, -10.0 * k, kStart - 10.0 * k);
        }
    }
    const json& earliest = buffered.at("data").at("buffer_2");
    // Twenty seconds before its first point the arrival was higher on the same final.
    EXPECT_NEAR(earliest.at("3c4ab1")[4].get<double>(), 1634.0 + 750.0 / 3.0 - kQnhFeet, 1e-6);
    const GeoPoint first = lf_point(buffered.at("data").at("buffer_0").at("3c4ab1"));
    const GeoPoint before = lf_point(earliest.at("3c4ab1"));
    EXPECT_GT(before.longitude, first.longitude); // further east, coming in on 250
    // A standing flight stood.
    EXPECT_NEAR(earliest.at("3c49cd")[1].get<double>(), scene::stand("A7").position.latitude, 1e-9);
    EXPECT_EQ(earliest.at("3c49cd")[5].get<double>(), 0.0);
    // The buffered answer was the first: a poll 10 s later is second 10.
    at(10.0);
    const json poll = traffic();
    lf_expectOnTrack(lf_sceneFlight(traffic_, "3c4ab1"), poll.at("data").at("3c4ab1"), 10.0,
                     kStart + 10.0);
}

TEST_F(RtStubSceneTest, ParkedAnswersServeTheFirstTableThenTheLaterOne) {
    struct Case {
        const char* name;
        double seconds;
        std::set<std::string> hexids;
    };
    const Case cases[] = {
        {"first answer", 0.0, {"3c6601", "3c6602", "440301", "4ca0a4"}},
        {"second answer", 60.0, {"3c6601", "3c6602", "4ca0a4", "440309"}},
        {"third answer", 1500.0, {"3c6601", "3c6602", "4ca0a4", "440309"}},
    };
    const std::vector<scene::Parked> table = scene::parked();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        at(c.seconds);
        const json answer = parkedAnswer();
        ASSERT_EQ(answer.at("status"), 200);
        std::set<std::string> served;
        for (const auto& [hex, record] : answer.at("data").items()) {
            served.insert(hex);
            const scene::Parked* parked = nullptr;
            for (const scene::Parked& p : table) {
                if (p.hexid == hex) {
                    parked = &p;
                    break;
                }
            }
            ASSERT_NE(parked, nullptr) << hex;
            const scene::Stand stand = scene::stand(parked->stand);
            EXPECT_EQ(record, json::array({stand.position.latitude, stand.position.longitude,
                                           stand.name, parked->type, parked->registration,
                                           static_cast<std::int64_t>(kStart + c.seconds) - 3600,
                                           parked->callsign}));
        }
        EXPECT_EQ(served, c.hexids);
    }
}

} // namespace
