// The parser on the reader thread while the engine takes the collected flights and other
// threads change what the parser reads.
#include "feed/process_line.h"

#include "core/parameters.h"
#include "core/run_values.h"
#include "feed_fixture.h"

#include "support/rtstub/records.h"

#include <fmt/format.h>

#include <thread>

namespace {

class ProcessLineThreadTest : public ksb::test::FeedFixture {};

TEST_F(ProcessLineThreadTest, CollectsAndTakesConcurrently) {
    constexpr int kRecords = 3000;
    injectionRadiusNm.store(40.0);
    gf_rtSetReferencePosition(51.4706, -0.4619);
    std::atomic<bool> parsing{true};

    std::thread reader([&] {
        for (int i = 0; i < kRecords; ++i) {
            gf_rtSetCollectFlag();
            const ksb::FeedContext context = lf_feedContext(rtTrafficClient);
            const auto record = rtstub::LiveRecordBuilder()
                                    .set(0, fmt::format("{:x}", 0x100000 + i))
                                    .set(13, fmt::format("C{}", i))
                                    .json();
            processLine(rtTrafficClient, record, context);
            if (rtTrafficClient.liveRecords.size() > 100) {
                rtTrafficClient.liveRecords.clear();
            }
        }
        parsing = false;
    });
    std::thread settings([&] {
        for (int i = 0; parsing; ++i) {
            gf_rtSetReferencePosition(51.4706, -0.4619 + (i % 2) * 1e-6);
            gf_rtSetParkElevation(i % 2 == 0 ? std::optional<double>(80.0) : std::nullopt);
            rtTrafficClient.qnh.store(1013 + i % 3);
            injectionRadiusNm.store(40.0 + i % 2);
            BLOCK_CALLSIGN.assign(i % 2 == 0 ? "" : "NONE");
        }
    });

    std::vector<std::set<std::uint32_t>> takes;
    bool consistent = true;
    const auto take = [&] {
        std::set<std::string> callsigns;
        std::set<std::uint32_t> ids;
        gf_rtTakeSeenFlights(callsigns, ids);
        std::set<std::string> expected;
        for (const std::uint32_t id : ids) {
            expected.insert(fmt::format("C{}", id - 0x100000));
        }
        // The callsign and the id of a record are collected and taken together.
        consistent = consistent && callsigns == expected;
        takes.push_back(std::move(ids));
    };
    while (parsing) {
        take();
    }
    reader.join();
    settings.join();
    take();

    EXPECT_TRUE(consistent);
    std::set<std::uint32_t> all;
    std::size_t total = 0;
    for (const auto& ids : takes) {
        total += ids.size();
        all.insert(ids.begin(), ids.end());
    }
    EXPECT_EQ(all.size(), total) << "an id was taken twice";
    EXPECT_GT(total, 0u);
    for (const std::uint32_t id : all) {
        EXPECT_GE(id, 0x100000u);
        EXPECT_LT(id, 0x100000u + kRecords);
    }
}

} // namespace
