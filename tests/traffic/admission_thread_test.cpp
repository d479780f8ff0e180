// Admission under the threads that meet it: the worker ticks with flights being admitted and
// created, a link-like thread asks for the user's stand and a feed-like thread hands over
// delayed batches, both under the traffic mutex. Fixed counts, no clock: the feed paces itself
// by the ticks run, the ticking never runs far ahead of the feed or the link, and every wait ends
// when the other side ends.
#include "airports/park_airport_state.h"
#include "traffic/traffic.h"

#include "admission_test_fixture.h"
#include "support/live_flight_builder.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using ksb::test::AdmissionTest;
using ksb::test::LiveFlightBuilder;

constexpr int kAdmThreadTicks = 4000;
constexpr int kAdmThreadBatches = 30;
constexpr int kAdmTicksPerBatch = 100;
constexpr int kAdmThreadFlights = 6;
constexpr int kAdmFeedSlack = 20;
constexpr int kAdmFeedFinished = std::numeric_limits<int>::max();

struct AdmissionPace {
    std::atomic<int> ticksRun{0};
    std::atomic<bool> done{false};
    std::atomic<int> feedNext{0}; // the tick of the feed's next batch

    // The feed: yields until the ticks have run; false when the ticking ended first.
    bool waitForTicks(int ticks) {
        feedNext = ticks;
        while (ticksRun.load() < ticks) {
            if (done.load()) {
                return false;
            }
            std::this_thread::yield();
        }
        return true;
    }
};

// Ends the feed's part of the pace and the ticking's however they end.
struct AdmissionFeedEnd {
    AdmissionPace& pace;
    ~AdmissionFeedEnd() { pace.feedNext = kAdmFeedFinished; }
};
struct AdmissionTickEnd {
    AdmissionPace& pace;
    ~AdmissionTickEnd() { pace.done = true; }
};

void lf_admissionFeed(AdmissionPace& pace) {
    AdmissionFeedEnd end{pace};
    std::vector<LiveFlightBuilder> flights;
    for (int i = 0; i < kAdmThreadFlights; ++i) {
        LiveFlightBuilder builder(0x4cb000 + static_cast<std::uint32_t>(i));
        builder.callsign(fmt::format("BAW{}", 400 + i))
            .at(50.2 + 0.02 * i, 8.1)
            .altitude(4000.0)
            .stamps(ksb::test::kFirstFeedStamp, 5.0);
        flights.push_back(builder);
    }
    for (int b = 0; b < kAdmThreadBatches; ++b) {
        if (!pace.waitForTicks(b * kAdmTicksPerBatch)) {
            return;
        }
        std::vector<LiveFlight> batch;
        for (LiveFlightBuilder& builder : flights) {
            batch.push_back(builder.climbOut(1).front());
        }
        // Delayed: the records go in under the traffic mutex, as the Traffic Reader's do. Five
        // seconds apart, so that the intake keeps every one.
        ::gf_takeFeedRecords(batch, 5);
    }
}

TEST_F(AdmissionTest, StandNamesAndFeedBatchesMeetTheTickingAdmission) {
    UserAircraftState user;
    user.latitude = ksb::test::kAdmUserLatitude;
    user.longitude = ksb::test::kAdmUserLongitude;
    harness_.link().setUserState(user);
    harness_.autoSim(5);
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        ParkPosition stand;
        stand.name = "A1";
        stand.standId = 1;
        stand.latitude = ksb::test::kAdmUserLatitude;
        stand.longitude = ksb::test::kAdmUserLongitude;
        gf_parkAirportState().stands.push_back(stand);
    }

    AdmissionPace pace;
    std::atomic<int> standCalls{0};
    std::atomic<int> wrongAnswers{0};
    std::thread feed([&] { lf_admissionFeed(pace); });
    std::thread link([&] {
        // Two positions by turns, both on stand A1: the memo is hit and missed.
        const double offsets[] = {0.0, 0.0001};
        for (int i = 0; !pace.done.load(); ++i) {
            std::string answer;
            {
                std::lock_guard traffic(trafficState.trafficMutex);
                answer = gf_standNameAt(ksb::test::kAdmUserLatitude + offsets[i % 2],
                                        ksb::test::kAdmUserLongitude);
            }
            ++standCalls;
            if (answer != "A1") {
                ++wrongAnswers;
            }
            std::this_thread::yield();
        }
    });
    {
        AdmissionTickEnd end{pace};
        for (int t = 0; t < kAdmThreadTicks; ++t) {
            while (pace.feedNext.load() < t - kAdmFeedSlack) {
                std::this_thread::yield();
            }
            // The link asks at least once per batch interval: on a busy machine the ticking could
            // otherwise end before the link thread ran at all. It asks until the ticking ends.
            if (t % kAdmTicksPerBatch == 0) {
                const int asked = standCalls.load();
                while (standCalls.load() == asked) {
                    std::this_thread::yield();
                }
            }
            harness_.tick();
            pace.ticksRun = t + 1;
        }
    }
    feed.join();
    link.join();

    EXPECT_GT(standCalls.load(), 0);
    EXPECT_EQ(wrongAnswers.load(), 0);
    // Every flight was admitted and created while the others ran.
    const std::vector<std::string> creations = harness_.link().callsOf("queueCreateAiAircraft");
    for (int i = 0; i < kAdmThreadFlights; ++i) {
        const std::string call =
            fmt::format("queueCreateAiAircraft(BAW{}, {})", 400 + i, 0x4cb000 + i);
        EXPECT_NE(std::find(creations.begin(), creations.end(), call), creations.end()) << call;
    }
}

} // namespace
