#include "app/run_schedule.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(RunSchedule, SecondWorkFollowsTheSchedule) {
    struct Case {
        int n;
        SecondWork work;
    };
    // {parkCheck, twinPass, fifteen, thirty, minute, twentyMinutes, day}
    const Case cases[] = {
        {1, {}},
        {15, {false, false, true}},
        {16, {true}},
        {30, {false, false, true, true}},
        {32, {true}},
        {48, {true}},
        {60, {false, false, true, true, true}},
        {61, {false, true}},
        {122, {false, true}},
        {183, {false, true}},
        {240, {false, false, true, true, true}}, // a multiple of 16 too
        {915, {false, false, true}},             // 61 x 15
        {976, {true, true}},                     // 16 x 61
        {1200, {false, false, true, true, true, true}},
        {1215, {false, false, true}},
        {86400, {false, false, true, true, true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(c.work, lf_secondWork(c.n));
    }
}

TEST(RunSchedule, MinutesToRenewalCountDownFromTwenty) {
    const std::pair<int, int> cases[] = {{0, 20},   {59, 20},   {60, 19},   {1140, 1},
                                         {1199, 1}, {1200, 20}, {86340, 1}, {86400, 20}};
    for (const auto& [n, minutes] : cases) {
        SCOPED_TRACE(n);
        EXPECT_EQ(minutes, lf_minutesToRenewal(n));
    }
}

TEST(RunSchedule, RenewalStepFollowsTheRequestAndThePhase) {
    EXPECT_EQ(RenewalStep::none, lf_renewalStep(false, false));
    EXPECT_EQ(RenewalStep::none, lf_renewalStep(false, true));
    EXPECT_EQ(RenewalStep::first, lf_renewalStep(true, false));
    EXPECT_EQ(RenewalStep::second, lf_renewalStep(true, true));
}

TEST(RunSchedule, DeadlinesAdvanceByTenMillisecondsOrReanchorAtASecondTick) {
    const SteadyTime t0{std::chrono::hours(5)};
    struct Case {
        const char* name;
        SteadyTime deadline, now;
        bool tick;
        SteadyTime next;
        bool sleep;
    };
    const Case cases[] = {
        {"on time", t0, t0 - 4ms, false, t0 + 10ms, true},
        {"late cycle catches up", t0, t0 + 25ms, false, t0 + 10ms, false},
        {"second tick re-anchors", t0, t0 + 25ms, true, t0 + 35ms, false},
        {"less than a millisecond left", t0, t0 - 999us, false, t0 + 10ms, false},
        {"exactly a millisecond left", t0, t0 - 1ms, false, t0 + 10ms, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.sleep, lf_sleepNeeded(c.deadline, c.now));
        EXPECT_EQ(c.next, lf_nextDeadline(c.deadline, c.now, c.tick));
    }
}

} // namespace
