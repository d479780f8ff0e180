#include "traffic/category_tables.h"

#include "core/parameters.h"
#include "core/random_engine.h"

#include <array>
#include <stdexcept>

namespace {

constexpr std::array<CategoryValues, 6> kCategoryValues{{
    {-9.0, -15.0, 0.15, 0.5, 5.0, 250, 250, 100, 200},   // Light
    {-8.0, -18.0, 0.10, 0.75, 4.5, 300, 300, 200, 250},  // Buzjets
    {-6.0, -16.5, 0.07, 0.6, 4.0, 400, 350, 200, 300},   // Large
    {-5.0, -12.5, 0.05, 0.5, 3.0, 450, 450, 250, 400},   // Heavy
    {-6.0, -20.0, 0.10, 1.0, 4.5, 150, 150, 100, 200},   // HighPerf
    {-20.0, -30.0, 0.20, 0.75, 5.0, 100, 100, 100, 100}, // Rotorcraft
}};

} // namespace

const CategoryValues& gf_categoryValues(int category) {
    if (category < 0 || category >= static_cast<int>(kCategoryValues.size())) {
        // The text the category-name lookup gives, so both report a bad category alike.
        throw std::out_of_range("invalid unordered_map<K, T> key");
    }
    return kCategoryValues[static_cast<std::size_t>(category)];
}

const CategoryValues& gf_categoryValues(AircraftCategory category) {
    return gf_categoryValues(static_cast<int>(category));
}

double gf_randomVariation(double v, double pct) {
    if (pct <= 0.0) {
        return v;
    }
    const double sign = (gf_randomEngine()() & 1u) == 0 ? 1.0 : -1.0;
    return v + sign * v * pct / 100.0;
}

bool gf_categorySwitchedOn(AircraftCategory category) {
    switch (category) {
    case AircraftCategory::light:
        return LIGHT_AIRCRAFT.value();
    case AircraftCategory::highPerformance:
        return HIGH_PERF_AIRCRAFT.value();
    case AircraftCategory::rotorcraft:
        return HELICOPTERS.value();
    default:
        return true;
    }
}
