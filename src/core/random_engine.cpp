#include "core/random_engine.h"

#include "core/globals.h"

namespace {

struct ThreadEngine {
    std::mt19937 engine;
    bool seeded = false;
    std::uint64_t generation = 0;
};

thread_local ThreadEngine tl_engine;

void lf_seed(ThreadEngine& state, std::uint64_t generation) {
    if (randomSeedSet.load()) {
        state.engine.seed(randomSeedValue.load());
    } else {
        std::random_device device;
        state.engine.seed(device());
    }
    state.generation = generation;
    state.seeded = true;
}

} // namespace

std::mt19937& gf_randomEngine() {
    const std::uint64_t generation = randomSeedGeneration.load();
    if (!tl_engine.seeded || tl_engine.generation != generation) {
        lf_seed(tl_engine, generation);
    }
    return tl_engine.engine;
}

void gf_setRandomSeedForTests(std::optional<std::uint32_t> seed) {
    randomSeedValue = seed.value_or(0);
    randomSeedSet = seed.has_value();
    const std::uint64_t generation = ++randomSeedGeneration;
    lf_seed(tl_engine, generation);
}
