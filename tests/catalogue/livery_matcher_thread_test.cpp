// The exit thread prints the matching summary and asks about refused titles while the worker
// matches and records refusals.
#include "livery_matcher_fixture.h"

#include <atomic>
#include <thread>

namespace {

using namespace ksb::test;

TEST_F(LiveryMatcherTest, SummaryAndRefusalQueriesWhileMatching) {
    build({{pax("DLH", "A320", "Lufthansa one"), pax("DLH", "A320", "Lufthansa two"),
            pax("ZZZ", "A320", "Airbus house")}});
    LOG.setRaw(false);
    RecordingMessageSink sink;
    constexpr int kMatches = 400;
    constexpr int kRefusals = 19;
    std::atomic<bool> working{true};
    std::thread worker([&] {
        for (int i = 0; i < kMatches; ++i) {
            Flight f = flight({i % 2 == 0 ? "DLH" : "BAW", "A320", ""});
            gf_matchLiveFlightLivery(f);
            if (i % 20 == 0 && i / 20 < kRefusals) {
                refuse(fmt::format("Refused {}", i / 20), "KLM", fmt::format("T{:03}", i / 20));
            }
        }
        working = false;
    });
    std::size_t largestList = 0;
    std::thread exitThread([&] {
        while (working) {
            gf_printLiveryMatchSummary();
            if (gf_isRefusedTitle("Refused 3")) {
                largestList = std::max(largestList, lf_listFailedLiveries().size());
            }
        }
    });
    worker.join();
    exitThread.join();

    EXPECT_EQ(counts(), (std::array<std::uint32_t, 6>{0, kMatches / 2, 0, kMatches / 2, 0, 0}));
    EXPECT_EQ(lf_listFailedLiveries().size(), static_cast<std::size_t>(kRefusals));
    EXPECT_LE(largestList, static_cast<std::size_t>(kRefusals));
    for (int i = 0; i < kRefusals; ++i) {
        EXPECT_TRUE(gf_isRefusedTitle(fmt::format("Refused {}", i)));
    }
}

} // namespace
