// The flights without a livery and their report in Log.txt.
#include "catalogue/catalogue_state.h"
#include "catalogue/unmatched_flights.h"
#include "support/log_capture.h"

#include <gtest/gtest.h>

namespace {

class UnmatchedFlightsTest : public ::testing::Test {
protected:
    void SetUp() override { gf_resetCatalogueForTests(); }
    void TearDown() override { gf_resetCatalogueForTests(); }

    ksb::test::LogCapture log;
};

TEST_F(UnmatchedFlightsTest, KeysInSetOrderBetweenAHeaderAndAnEmptyLine) {
    gf_addNoLiveryFlight("KLM B738 PH-BXA");
    gf_addNoLiveryFlight("BAW A320 G-EUUA");
    gf_addNoLiveryFlight("KLM B738 PH-BXA");
    gf_logUnmatched();
    EXPECT_EQ(log.body(), (std::vector<std::string>{"", "No match found for: ", "BAW A320 G-EUUA",
                                                    "KLM B738 PH-BXA", ""}));
    // Printing keeps the set; the final report lists everything since the last emptying.
    EXPECT_EQ(gf_noLiveryFlights().size(), 2u);
}

TEST_F(UnmatchedFlightsTest, EmptySetWritesNothing) {
    gf_logUnmatched();
    gf_addNoLiveryFlight("BAW A320 G-EUUA");
    gf_clearNoLiveryFlights();
    gf_logUnmatched();
    EXPECT_TRUE(log.body().empty());
    EXPECT_TRUE(gf_noLiveryFlights().empty());
}

} // namespace
