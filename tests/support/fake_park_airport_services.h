#pragma once
// Records what the park-airport load and close hand outside src/airports: the feed's park
// elevation and the automatic range fields (behind the core's hook), in one ordered log:
// "setParkElevation(83)", "setParkElevation(none)", "updateRangeFields". The updater and the
// services in force before are put back at the end.
#include "airports/park_airport_services.h"

#include <mutex>
#include <string>
#include <vector>

namespace ksb::test {

class FakeParkAirportServices {
public:
    FakeParkAirportServices();
    ~FakeParkAirportServices();
    FakeParkAirportServices(const FakeParkAirportServices&) = delete;
    FakeParkAirportServices& operator=(const FakeParkAirportServices&) = delete;

    std::vector<std::string> calls() const;
    // The calls so far, and an empty log after.
    std::vector<std::string> takeCalls();

private:
    static void lf_recordRangeFields();
    void record(std::string call);

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    ParkAirportServices previous_;
    void (*previousUpdater_)() = nullptr;
};

} // namespace ksb::test
