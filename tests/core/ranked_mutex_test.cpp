#include "core/ranked_mutex.h"

#include <gtest/gtest.h>

namespace {

using ksb::LockRank;
using ksb::RankedMutex;

TEST(RankedMutex, IncreasingRanksNestAndTryLockIsNotChecked) {
    RankedMutex traffic(LockRank::traffic, "traffic");
    RankedMutex inbound(LockRank::inbound, "inbound");
    RankedMutex log(LockRank::log, "log");
    {
        std::lock_guard a(traffic);
        std::lock_guard b(inbound);
        std::lock_guard c(log);
    }
    {
        std::lock_guard c(log);
        // A try-lock may go against the order: it cannot deadlock.
        ASSERT_TRUE(traffic.try_lock());
        traffic.unlock();
    }
    // Released ranks no longer count.
    std::lock_guard a(traffic);
}

TEST(RankedMutexDeathTest, InvertedOrderAsserts) {
    if (!ksb::gf_lockRanksChecked()) {
        GTEST_SKIP() << "lock ranks are checked in debug and sanitizer builds";
    }
    EXPECT_DEATH(
        {
            RankedMutex inbound(LockRank::inbound, "inbound");
            RankedMutex sendQueue(LockRank::sendQueue, "send queue");
            std::lock_guard a(sendQueue);
            std::lock_guard b(inbound);
        },
        "taking \"inbound\" \\(rank 20\\) while holding \"send queue\" \\(rank 30\\)");
    EXPECT_DEATH(
        {
            RankedMutex one(LockRank::leaf, "leaf one");
            RankedMutex two(LockRank::leaf, "leaf two");
            std::lock_guard a(one);
            std::lock_guard b(two);
        },
        "leaf two");
}

} // namespace
