#include "platform/termination_signals.h"
#include "platform/thread_name.h"

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <string>

namespace {

bool lf_readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0;
}

// Installed for one test, the earlier actions back afterwards.
class TerminationSignals : public ::testing::Test {
protected:
    void SetUp() override { platform::installTerminationSignals(); }
    void TearDown() override { platform::restoreTerminationSignals(); }
};

TEST_F(TerminationSignals, EachSignalMarksTheRequestAndWakesThePipe) {
    struct Case {
        const char* name;
        int signal;
    };
    const Case cases[] = {{"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}};
    const int fd = platform::terminationWakeFd();
    ASSERT_GE(fd, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(platform::terminationPending());
        EXPECT_FALSE(lf_readable(fd));
        ASSERT_EQ(0, std::raise(c.signal));
        EXPECT_TRUE(platform::terminationPending());
        EXPECT_TRUE(lf_readable(fd));
        platform::drainTerminationWake();
        EXPECT_FALSE(lf_readable(fd));
        // Draining the pipe leaves the request; taking it clears it once.
        EXPECT_TRUE(platform::terminationPending());
        EXPECT_TRUE(platform::takeTermination());
        EXPECT_FALSE(platform::takeTermination());
    }
}

TEST_F(TerminationSignals, ManySignalsNeverBlockAndStayOneRequest) {
    // Far more than a pipe holds: the handler must never block on a full pipe.
    for (int i = 0; i < 100000; ++i) {
        ASSERT_EQ(0, std::raise(SIGTERM));
    }
    platform::drainTerminationWake();
    EXPECT_FALSE(lf_readable(platform::terminationWakeFd()));
    EXPECT_TRUE(platform::takeTermination());
    EXPECT_FALSE(platform::takeTermination());
}

TEST_F(TerminationSignals, AnotherInstallChangesNothingAndTheRestoreBringsBackTheOldAction) {
    const int fd = platform::terminationWakeFd();
    platform::installTerminationSignals();
    EXPECT_EQ(fd, platform::terminationWakeFd());
    platform::restoreTerminationSignals();
    struct sigaction now {};
    ASSERT_EQ(0, ::sigaction(SIGTERM, nullptr, &now));
    EXPECT_EQ(SIG_DFL, now.sa_handler);
    platform::installTerminationSignals();
    ASSERT_EQ(0, ::sigaction(SIGTERM, nullptr, &now));
    EXPECT_NE(SIG_DFL, now.sa_handler);
}

TEST(ThreadName, NamesTheCallingThreadAndCutsLongNames) {
    const std::string before = platform::threadName();
    platform::setThreadName("ksby-worker");
    EXPECT_EQ("ksby-worker", platform::threadName());
    platform::setThreadName("ksby-a-name-far-too-long");
    EXPECT_EQ("ksby-a-name-far", platform::threadName());
    EXPECT_EQ(platform::kThreadNameMax, platform::threadName().size());
    platform::setThreadName(before);
}

} // namespace
