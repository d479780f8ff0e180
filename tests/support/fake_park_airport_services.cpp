#include "support/fake_park_airport_services.h"

#include "core/globals.h"
#include "core/range_fields_hook.h"

#include <fmt/format.h>

#include <atomic>
#include <utility>

namespace ksb::test {

namespace {
// The hook takes a plain function; it reaches the fake in force through this.
std::atomic<FakeParkAirportServices*> activeFake{nullptr};
} // namespace

FakeParkAirportServices::FakeParkAirportServices()
    : previous_(gf_parkAirportServices()), previousUpdater_(installedRangeFieldsUpdater.load()) {
    ParkAirportServices services;
    services.setParkElevation = [this](std::optional<double> feet) {
        record(feet ? fmt::format("setParkElevation({})", *feet) : "setParkElevation(none)");
    };
    gf_setParkAirportServices(std::move(services));
    activeFake = this;
    gf_setRangeFieldsUpdater(&FakeParkAirportServices::lf_recordRangeFields);
}

FakeParkAirportServices::~FakeParkAirportServices() {
    gf_setRangeFieldsUpdater(previousUpdater_);
    activeFake = nullptr;
    gf_setParkAirportServices(std::move(previous_));
}

void FakeParkAirportServices::lf_recordRangeFields() {
    if (FakeParkAirportServices* fake = activeFake.load()) {
        fake->record("updateRangeFields");
    }
}

void FakeParkAirportServices::record(std::string call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
}

std::vector<std::string> FakeParkAirportServices::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<std::string> FakeParkAirportServices::takeCalls() {
    std::lock_guard lock(mutex_);
    return std::exchange(calls_, {});
}

} // namespace ksb::test
