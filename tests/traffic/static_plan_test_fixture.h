#pragma once
// The static parking's plan on a hand-made park airport: a row of stands 40 m apart, each the
// neighbour of the next, learned options, static and parked live aircraft built in code, and a
// feed whose login and parked-traffic answer the test scripts. The calculations run under
// trafficMutex as the main loop runs them.
#include "core/globals.h"
#include "core/parameters.h"
#include "traffic/stand_table.h"
#include "traffic/static_parking.h"

#include "stand_test_fixture.h"
#include "support/static_aircraft_builder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ksb::test {

// Wednesday, 10:00-10:30 UTC.
inline constexpr DayHalfHour kStaticPlanNow = gf_packDayHalfHour(3, 20);

class StaticPlanTest : public StandTest {
protected:
    StaticPlanTest() {
        WEEK.setRaw(false);
        PARK_SOFT.setRaw(false);
        PARK_FAKE.setRaw(false);
        RT_PARKTRAFFIC_ONLY.setRaw(false);
        INITIAL_LOAD_ONLY.setRaw(false);
        HELICOPTERS.setRaw(true);
        LOG.setRaw(false);
        MAX_FIT.setRaw(4);
        parking_percentage.setRaw(100);
        harness.setDayHalfHour(kStaticPlanNow);
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.feedServices.loggedIn = [this] { return loggedIn; };
        trafficState.feedServices.parkedTraffic = [this] {
            ++fetches;
            return parkTraffic;
        };
    }

    // n stands "A1".."An" going north, 40 m apart, each with its neighbours.
    void addRow(int n, double radiusMetres = 35.0) {
        for (int i = 0; i < n; ++i) {
            addStand(fmt::format("A{}", i + 1), 40.0 * i, radiusMetres);
        }
        std::vector<ParkPosition>& all = stands();
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (i > 0) {
                all[i].adjacentStandIds.push_back(all[i - 1].standId);
            }
            if (i + 1 < all.size()) {
                all[i].adjacentStandIds.push_back(all[i + 1].standId);
            }
        }
    }
    static void clearNeighbours() {
        for (ParkPosition& s : stands()) {
            s.adjacentStandIds.clear();
        }
    }
    static ParkPosition& stand(int number) { return stands().at(number - 1); }
    static Position standPoint(int number) {
        return Position{stand(number).latitude, stand(number).longitude};
    }

    // A parked-traffic record of an A320 at stand `number`, standing there age half hours.
    static ParkedFlight record(std::string callsign, std::uint32_t id, int number,
                               std::int32_t age = 3, std::string registration = {},
                               std::string type = "A320") {
        ParkedFlight r;
        r.airline = "BAW";
        r.type = std::move(type);
        r.callsign = std::move(callsign);
        r.registration = std::move(registration);
        r.flightId = id;
        r.age = age;
        r.latitude = stand(number).latitude;
        r.longitude = stand(number).longitude;
        r.stand = fmt::format("A{}", number);
        return r;
    }

    // A learned real option of an aircraft on the given weekday and half hours.
    static StandObservation option(std::uint32_t number, std::string callsign,
                                   std::string registration, const std::vector<int>& slots,
                                   std::int32_t day = 3) {
        StandObservation o = gf_testOption(number, day, slots);
        o.callsign = std::move(callsign);
        o.registration = std::move(registration);
        return o;
    }

    // A static aircraft in the simulator on stand `number`, standing since the half hours
    // before now; fromParkTraffic as the plan made it.
    static AiAircraft& addStatic(StaticAircraftBuilder builder, int number, int halfHoursAgo,
                                 bool fromParkTraffic = false) {
        AiAircraft parked = builder.stand(stand(number))
                                .parkedAt(gf_halfHoursBefore(kStaticPlanNow, halfHoursAgo))
                                .build();
        parked.creatorFlag = fromParkTraffic;
        trafficState.statics.push_back(std::move(parked));
        return trafficState.statics.back();
    }

    // A live aircraft parked in the simulator on stand `number`, there for the minutes.
    LiveAircraft& addParkedLive(std::uint32_t key, std::string callsign, int number, int minutes) {
        LiveAircraft a = gf_testAircraft(key, std::move(callsign), fmt::format("G-L{}", key));
        a.state = LiveState::inSimulator;
        a.objectId = 500 + key;
        a.setPhase(FlightPhase::parked);
        a.standId = stand(number).standId;
        a.standChecked = true;
        a.atStandSince = harness.clock().steadyNow() - std::chrono::minutes(minutes);
        stand(number).occupied = true;
        trafficState.live.push_back(std::move(a));
        return trafficState.live.back();
    }

    static void calculate() {
        std::lock_guard traffic(trafficState.trafficMutex);
        gf_calculateStaticParking();
    }
    static void adjust(bool parkTrafficOnlySwitchedOn = false) {
        std::lock_guard traffic(trafficState.trafficMutex);
        gf_adjustStaticParking(parkTrafficOnlySwitchedOn);
    }

    // "stand callsign sortKey" of each entry, in list order; " pt" for parked traffic.
    static std::vector<std::string> plan() {
        std::vector<std::string> out;
        for (const StandToFill& e : trafficState.standsToFill) {
            const ParkPosition* s = gf_findStandById(e.standId);
            out.push_back(fmt::format("{} {} {}{}", s != nullptr ? s->name : "?", e.callsign,
                                      e.sortKey, e.fromParkTraffic ? " pt" : ""));
        }
        return out;
    }
    // The callsigns the link was asked to release, in order.
    std::vector<std::string> released() {
        std::vector<std::string> out;
        for (const std::string& call : harness.link().callsOf("releaseAiAircraft")) {
            const std::size_t open = call.find('(');
            out.push_back(call.substr(open + 1, call.size() - open - 2));
        }
        return out;
    }
    // "tail state" of every static aircraft, "+" for the remove-once-created mark; sorted.
    static std::vector<std::string> staticsLeft() {
        std::vector<std::string> out;
        for (const AiAircraft& a : trafficState.statics) {
            out.push_back(fmt::format("{} {}{}", a.callsign, static_cast<int>(a.state),
                                      a.removeOnceCreated ? "+" : ""));
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    // The body lines of the log that contain the text.
    std::vector<std::string> logLinesWith(const std::string& text) const {
        return harness.log().linesWith(text);
    }

    // What a calculation must leave: no stand holds two static aircraft that stay, and no entry
    // names a stand that a staying static aircraft holds.
    static void expectNoStandTwice() {
        std::vector<std::uint32_t> held;
        for (const AiAircraft& a : trafficState.statics) {
            if ((a.state == LiveState::inSimulator || a.state == LiveState::creationRequested) &&
                !a.removeOnceCreated) {
                EXPECT_EQ(std::count(held.begin(), held.end(), a.standId), 0)
                    << "two static aircraft on stand " << a.standId;
                held.push_back(a.standId);
            }
        }
        for (const StandToFill& e : trafficState.standsToFill) {
            EXPECT_EQ(std::count(held.begin(), held.end(), e.standId), 0)
                << "an entry on the stand of a staying aircraft: " << e.callsign;
        }
    }

public:
    // The case tables set these through a reference to the fixture.
    using StandTest::harness;
    bool loggedIn = true;
    std::optional<std::vector<ParkedFlight>> parkTraffic = std::vector<ParkedFlight>{};
    int fetches = 0;
};

} // namespace ksb::test
