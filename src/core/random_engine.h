#pragma once
// One random engine per thread, so parallel workers never share its state.
#include <cstdint>
#include <optional>
#include <random>

// The calling thread's engine, seeded from the random device on first use (or from the test
// seed when one is set).
std::mt19937& gf_randomEngine();
// Reseeds the calling thread's engine now, and every other thread's at its next use, with the
// seed; nullopt goes back to the random device.
void gf_setRandomSeedForTests(std::optional<std::uint32_t> seed);
