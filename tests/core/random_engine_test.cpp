#include "core/globals.h"
#include "core/random_engine.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<std::uint32_t> lf_draw(std::mt19937& engine, int count = 8) {
    std::vector<std::uint32_t> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(engine());
    }
    return values;
}

std::vector<std::uint32_t> lf_sequenceOf(std::uint32_t seed) {
    std::mt19937 engine(seed);
    return lf_draw(engine);
}

TEST(RandomEngineTest, SameSeedGivesTheSameSequence) {
    gf_setRandomSeedForTests(42);
    const std::vector<std::uint32_t> first = lf_draw(gf_randomEngine());
    EXPECT_EQ(first, lf_sequenceOf(42));
    // Reseeding restarts the sequence.
    gf_setRandomSeedForTests(42);
    EXPECT_EQ(lf_draw(gf_randomEngine()), first);
    gf_setRandomSeedForTests(43);
    EXPECT_EQ(lf_draw(gf_randomEngine()), lf_sequenceOf(43));
}

TEST(RandomEngineTest, EngineContinuesItsSequenceBetweenCalls) {
    gf_setRandomSeedForTests(7);
    const std::vector<std::uint32_t> head = lf_draw(gf_randomEngine(), 4);
    const std::vector<std::uint32_t> tail = lf_draw(gf_randomEngine(), 4);
    std::vector<std::uint32_t> all = head;
    all.insert(all.end(), tail.begin(), tail.end());
    EXPECT_EQ(all, lf_sequenceOf(7));
}

TEST(RandomEngineTest, UnsetSeedAndResetGoBackToTheRandomDevice) {
    gf_setRandomSeedForTests(42);
    gf_setRandomSeedForTests(std::nullopt);
    EXPECT_NE(lf_draw(gf_randomEngine()), lf_sequenceOf(42));

    gf_setRandomSeedForTests(42);
    gf_resetCoreGlobals();
    EXPECT_NE(lf_draw(gf_randomEngine()), lf_sequenceOf(42));
}

} // namespace
