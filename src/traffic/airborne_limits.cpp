#include "traffic/motion.h"

#include <array>
#include <stdexcept>

namespace ksb {
namespace {

constexpr std::array<AirborneLimits, 6> kAirborneLimits{{
    {40.0, 0.035, 0.01, 90.0},     // Light
    {35.0, 0.0275, 0.0085, 110.0}, // Buzjets
    {30.0, 0.02, 0.0075, 140.0},   // Large
    {20.0, 0.015, 0.005, 150.0},   // Heavy
    {90.0, 0.1, 0.03, 220.0},      // HighPerf
    {75.0, 0.06, 0.03, 0.0},       // Rotorcraft
}};

} // namespace

const AirborneLimits& gf_airborneLimits(AircraftCategory category) {
    const int index = static_cast<int>(category);
    if (index < 0 || index >= static_cast<int>(kAirborneLimits.size())) {
        // The text of the engine's other category tables, so every bad category reads alike.
        throw std::out_of_range("invalid unordered_map<K, T> key");
    }
    return kAirborneLimits[static_cast<std::size_t>(index)];
}

} // namespace ksb
