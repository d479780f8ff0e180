#include "core/random_engine.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>
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

TEST(RandomEngineThreadTest, EnginesCreatedAfterTheSeedStartFromIt) {
    gf_setRandomSeedForTests(1234);
    // Draws of this thread do not move the other threads' engines.
    (void)lf_draw(gf_randomEngine());
    std::vector<std::uint32_t> a;
    std::vector<std::uint32_t> b;
    std::thread first([&a] { a = lf_draw(gf_randomEngine()); });
    std::thread second([&b] { b = lf_draw(gf_randomEngine()); });
    first.join();
    second.join();
    EXPECT_EQ(a, lf_sequenceOf(1234));
    EXPECT_EQ(b, lf_sequenceOf(1234));
}

TEST(RandomEngineThreadTest, ExistingEngineOfAnotherThreadReseedsAtItsNextUse) {
    std::promise<void> firstDrawn;
    std::promise<void> seedSet;
    std::vector<std::uint32_t> afterSeed;
    std::thread worker([&] {
        (void)lf_draw(gf_randomEngine());
        firstDrawn.set_value();
        seedSet.get_future().wait();
        afterSeed = lf_draw(gf_randomEngine());
    });
    firstDrawn.get_future().wait();
    gf_setRandomSeedForTests(99);
    seedSet.set_value();
    worker.join();
    EXPECT_EQ(afterSeed, lf_sequenceOf(99));
}

} // namespace
