#pragma once
// Feed records of one flight as the Traffic Reader hands them over: an identity, then positions
// along a track (standing, taxiing, climbing out), each record one stamp step after the last.
#include "core/flight_records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ksb::test {

// The first stamp of a builder: the ManualClock's default start.
inline constexpr double kFirstFeedStamp = 1'780'000'000.0;

class LiveFlightBuilder {
public:
    // The feed accepts only hexids above 10000; a smaller one throws std::invalid_argument.
    explicit LiveFlightBuilder(std::uint32_t hexid = 0x4ca001);

    LiveFlightBuilder& callsign(std::string callsign);
    LiveFlightBuilder& registration(std::string registration);
    LiveFlightBuilder& type(std::string type);
    LiveFlightBuilder& route(std::string departure, std::string destination);
    LiveFlightBuilder& at(double latitude, double longitude);
    LiveFlightBuilder& track(double degrees);
    LiveFlightBuilder& altitude(double feet);
    LiveFlightBuilder& stamps(double first, double step);

    // One record at the current position and stamp; the stamp then moves on by its step.
    LiveFlight next();
    // Records at one position on the ground, ground speed 0; with repeated, every record after
    // the first is marked as repeating it.
    std::vector<LiveFlight> standing(int count, bool repeated = false);
    // Records on the ground moving along the track at the speed.
    std::vector<LiveFlight> taxi(int count, double knots = 15.0);
    // Airborne records along the track, climbing at the rate from the current altitude.
    std::vector<LiveFlight> climbOut(int count, double knots = 160.0,
                                     double feetPerMinute = 1500.0);

    std::uint32_t hexid() const { return record_.flightId; }
    double nextStamp() const { return record_.timeStamp; }

private:
    // Moves the position along the track by one stamp step at the speed.
    void advance(double knots);

    LiveFlight record_;
    double step_ = 10.0; // seconds
};

} // namespace ksb::test
