// The flights without a livery from three threads at once: the engine adds, the main loop prints
// and empties.
#include "catalogue/catalogue_state.h"
#include "catalogue/unmatched_flights.h"
#include "support/log_capture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <atomic>
#include <thread>

namespace {

TEST(UnmatchedFlightsThreadTest, AddPrintAndEmptyConcurrently) {
    gf_resetCatalogueForTests();
    ksb::test::LogCapture log;
    constexpr int kKeys = 500;
    std::atomic<bool> adding{true};
    std::thread adder([&] {
        for (int i = 0; i < kKeys; ++i) {
            gf_addNoLiveryFlight(fmt::format("DLH A320 D-A{:04}", i));
        }
        adding = false;
    });
    std::thread printer([&] {
        while (adding) {
            gf_logUnmatched();
        }
    });
    std::thread emptier([&] {
        while (adding) {
            gf_clearNoLiveryFlights();
            std::this_thread::yield();
        }
    });
    adder.join();
    printer.join();
    emptier.join();

    // Each print is one whole report: a header, sorted keys, an empty line.
    const auto lines = log.body();
    std::string previous;
    bool inReport = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == "No match found for: ") {
            ASSERT_FALSE(inReport);
            ASSERT_GT(i, 0u);
            EXPECT_EQ(lines[i - 1], "");
            inReport = true;
            previous.clear();
        } else if (inReport && lines[i].empty()) {
            inReport = false;
        } else if (inReport) {
            EXPECT_LT(previous, lines[i]);
            previous = lines[i];
        }
    }
    EXPECT_FALSE(inReport);
    gf_addNoLiveryFlight("last");
    EXPECT_EQ(gf_noLiveryFlights().back(), "last");
    gf_resetCatalogueForTests();
}

} // namespace
