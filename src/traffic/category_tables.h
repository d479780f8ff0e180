#pragma once
// The per-category motion values that every new flight copies, and the random variation of two
// of them. Each lookup of a category outside 0 to 5 throws std::out_of_range
// "invalid unordered_map<K, T> key", as the category names do.
#include "core/flight_records.h"

#include <cstdint>

struct CategoryValues {
    double rotationPitch;              // A: degrees, negative nose up; varied by 2.5 %
    double climbPitch;                 // B: degrees; varied by 5 %
    double turnRate;                   // C: degrees per tick
    double climbLimit;                 // D: feet per tick
    double pushSpeed;                  // E: knots
    std::int32_t flareTicks;           // F
    std::int32_t derotationTicks;      // G
    std::int32_t rotationTicks;        // H
    std::int32_t pitchTransitionTicks; // I
};

// The row of tables A to I for the category (0 to 5).
const CategoryValues& gf_categoryValues(int category);
const CategoryValues& gf_categoryValues(AircraftCategory category);

// v moved by exactly pct percent up or down, the direction from the lowest bit of the calling
// thread's random engine (0 up, 1 down); v itself for a percentage of 0 or less.
double gf_randomVariation(double v, double pct);

// Whether the settings show aircraft of the category: light, high-performance and rotorcraft
// each have a switch; every other category always shows.
bool gf_categorySwitchedOn(AircraftCategory category);
