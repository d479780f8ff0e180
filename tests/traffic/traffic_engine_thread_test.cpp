// The engine under load from every side at once: the tick on this thread, the Traffic Reader
// handing over batches, the link playing its frames and answering creations and removals, and,
// in the second run, a thread that toggles the intake and resets the engine. Fixed counts, no
// clock: the other threads pace themselves by the ticks run so far, and every wait ends when the
// ticking ends. The link members are the link's own, except the raw calls and the user position.
#include "core/flight_records.h"
#include "core/link_records.h"
#include "simlink/client/simconnect_capture.h"
#include "simlink/link_state.h"
#include "simlink/send_queues.h"
#include "simlink/sim_session.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include "support/live_flight_builder.h"
#include "support/simstub/packets.h"
#include "support/teleport_motion.h"
#include "support/traffic_harness.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using ksb::test::FakeLinkScope;
using ksb::test::LiveFlightBuilder;
using ksb::test::TrafficHarness;

constexpr int kStressTicks = 20'000;
constexpr int kStressHexids = 12;
constexpr int kTicksPerBatch = 40;
constexpr int kBatchesSeen = 100;   // 4000 ticks, more than the 3000 of a poll's play delay
constexpr int kZeroDelayEvery = 10; // one batch in ten goes through the pending batch
constexpr int kIntakeToggles = 40;
constexpr int kResetEvery = 8; // of the toggles
constexpr std::size_t kMostSamples = 201;
constexpr std::uint32_t kFirstAiObject = 3;
constexpr std::uint32_t kLastStaticKey = 10000;

constexpr int kStressHelpers = 3; // reader, link, resets
constexpr int kHelperSlack = 20;  // ticks the ticking may run ahead of a helper's schedule
constexpr int kHelperFinished = std::numeric_limits<int>::max();

// Lock-free pacing in both directions, so that the threads overlap over the whole run: a helper
// acts at a tick of its schedule once that many ticks have run, and the ticking never runs more
// than the slack ahead of a helper's next action. Every wait ends when the other side ends.
struct StressPace {
    std::atomic<int> ticksRun{0};
    std::atomic<bool> done{false}; // the ticking has ended, normally or not
    std::array<std::atomic<int>, kStressHelpers> next{};

    StressPace() {
        for (std::atomic<int>& helper : next) {
            helper = kHelperFinished;
        }
    }

    // A helper: yields until the ticks of its next action have run; false when the ticking
    // ended first.
    bool waitForTicks(int helper, int ticks) {
        next[static_cast<std::size_t>(helper)] = ticks;
        while (ticksRun.load() < ticks) {
            if (done.load()) {
                return false;
            }
            std::this_thread::yield();
        }
        return true;
    }

    // The ticking: yields until no helper lags more than the slack behind the tick.
    void waitForHelpers(int tick) const {
        for (const std::atomic<int>& helper : next) {
            while (helper.load() < tick - kHelperSlack) {
                std::this_thread::yield();
            }
        }
    }
};

// A helper's part of the pace, from its start to its end, however it ends.
class StressHelper {
public:
    // The pace holds 0 for the helper from before its thread starts.
    StressHelper(StressPace& pace, int helper) : pace_(pace), helper_(helper) {}
    ~StressHelper() { pace_.next[static_cast<std::size_t>(helper_)] = kHelperFinished; }
    StressHelper(const StressHelper&) = delete;
    StressHelper& operator=(const StressHelper&) = delete;

    bool waitForTicks(int ticks) { return pace_.waitForTicks(helper_, ticks); }

private:
    StressPace& pace_;
    int helper_;
};

// Sets done however the ticking ends, so that no helper waits for good.
struct StressDone {
    StressPace& pace;
    ~StressDone() { pace.done = true; }
};

void lf_stressReader(StressHelper pace) {
    std::vector<LiveFlightBuilder> flights;
    for (int i = 0; i < kStressHexids; ++i) {
        LiveFlightBuilder builder(0x700000 + static_cast<std::uint32_t>(i));
        builder.callsign(fmt::format("STR{}", i))
            .at(51.0 + 0.01 * i, -0.4)
            .stamps(ksb::test::kFirstFeedStamp, 5.0);
        flights.push_back(builder);
    }
    for (int b = 0; b * kTicksPerBatch < kStressTicks; ++b) {
        if (!pace.waitForTicks(b * kTicksPerBatch)) {
            return;
        }
        std::vector<LiveFlight> batch;
        for (int i = 0; i < kStressHexids; ++i) {
            // Each flight is seen for a while, then not: its samples run out and it goes.
            const std::vector<LiveFlight> record = flights[static_cast<std::size_t>(i)].taxi(1);
            if (((b + 7 * i) / kBatchesSeen) % 2 == 0) {
                batch.push_back(record.front());
            }
        }
        ::gf_takeFeedRecords(batch, b % kZeroDelayEvery == kZeroDelayEvery - 1 ? 0 : 30);
    }
}

// One simulator frame: the link sends what is queued, and the simulator answers each creation
// with a new object and each removal with its confirmation.
class StressSimulator {
public:
    explicit StressSimulator(sc::CaptureHandle& capture) : capture_(capture) {}

    void frame() {
        lf_processSendQueues();
        for (const std::vector<std::uint8_t>& bytes : capture_.packets()) {
            const simstub::DecodedPacket packet = simstub::gf_decodePacket(
                std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
            if (packet.number == simstub::kPacketAIRemoveObject) {
                ++removed_;
                ::gf_postSimEvent(SimInboundRecord{packet.fields.u32("objectId"), 0, 0,
                                                   SimInboundKind::objectRemoved, 0.0, 0.0});
            } else if (packet.number == simstub::kPacketSetDataOnSimObject) {
                ++positions_;
            }
        }
        capture_.clearPackets();
        for (const PendingCreation& creation : gf_pendingCreations()) {
            if (!answered_.insert(creation.sendId).second) {
                continue;
            }
            const SimInboundKind kind = creation.flightKey > kLastStaticKey
                                            ? SimInboundKind::liveAdded
                                            : SimInboundKind::staticAdded;
            ::gf_postSimEvent(
                SimInboundRecord{nextObject_++, creation.flightKey, 0, kind, 0.0, 0.0});
        }
    }

    int objectsCreated() const { return static_cast<int>(answered_.size()); }
    int objectsRemoved() const { return removed_; }
    int positionsSent() const { return positions_; }

private:
    sc::CaptureHandle& capture_;
    std::set<std::uint32_t> answered_; // send ids
    std::uint32_t nextObject_ = 100;
    int removed_ = 0;
    int positions_ = 0;
};

// At 30 frames per second for the first half of the ticks, then at 60.
void lf_stressLink(StressHelper pace, StressSimulator& simulator) {
    double at = 0.0;
    while (at < kStressTicks) {
        const float framesPerSecond = at < kStressTicks / 2 ? 30.0F : 60.0F;
        simFrameRate = framesPerSecond;
        if (!pace.waitForTicks(static_cast<int>(at))) {
            return;
        }
        simulator.frame();
        at += 100.0 / framesPerSecond;
    }
}

void lf_stressResets(StressHelper pace) {
    for (int i = 1; i <= kIntakeToggles; ++i) {
        if (!pace.waitForTicks(i * kStressTicks / (kIntakeToggles + 1))) {
            return;
        }
        gf_setFeedIntake(i % 2 == 0);
        if (i % kResetEvery == 0) {
            // Holding no lock: the reset takes the traffic mutex itself.
            gf_resetTraffic();
        }
    }
}

void lf_runTrafficStress(bool withResets) {
    TrafficHarness harness(FakeLinkScope::rawCalls);
    harness.admitAtOnce("Airbus A320 British Airways");
    // The reader's records come every 40 ticks with stamps 5 s apart, far faster than their
    // positions could be flown: the aircraft jump from sample to sample so that their lives
    // end within the run.
    ksb::test::installTeleportMotion();
    std::unique_ptr<sc::CaptureHandle> capture = sc::makeCaptureHandle();
    gf_setSimHandleForTests(capture->get());
    gf_setFeedIntake(true);
    StressSimulator simulator(*capture);
    StressPace pace;
    {
        pace.next[0] = 0;
        pace.next[1] = 0;
        std::jthread reader([&pace] { lf_stressReader(StressHelper(pace, 0)); });
        std::jthread link([&pace, &simulator] { lf_stressLink(StressHelper(pace, 1), simulator); });
        std::jthread resets;
        if (withResets) {
            pace.next[2] = 0;
            resets = std::jthread([&pace] { lf_stressResets(StressHelper(pace, 2)); });
        }
        // Destroyed before the threads are joined.
        const StressDone done{pace};
        for (int i = 0; i < kStressTicks; ++i) {
            pace.waitForHelpers(i);
            {
                std::lock_guard traffic(trafficState.trafficMutex);
                ::gf_trafficTick();
            }
            ++pace.ticksRun;
        }
    }
    gf_setSimHandleForTests(nullptr);

    // The engine did its work: aircraft were created, flown and removed through the link.
    EXPECT_GT(simulator.objectsCreated(), kStressHexids / 2);
    EXPECT_GT(simulator.positionsSent(), 0);
    EXPECT_GT(simulator.objectsRemoved(), 0);
    std::lock_guard traffic(trafficState.trafficMutex);
    std::set<std::uint32_t> keys;
    for (const LiveAircraft& aircraft : trafficState.live) {
        SCOPED_TRACE(aircraft.flightKey);
        EXPECT_TRUE(keys.insert(aircraft.flightKey).second) << "two live aircraft share a key";
        EXPECT_LE(aircraft.samples.size(), kMostSamples);
        if (aircraft.state == LiveState::inSimulator) {
            EXPECT_GE(aircraft.objectId, kFirstAiObject);
        }
    }
}

TEST(TrafficEngineStress, FeedTickInboundAndFramesSideBySide) {
    lf_runTrafficStress(false);
}

TEST(TrafficEngineStress, WithIntakeTogglesAndResetsBeside) {
    lf_runTrafficStress(true);
}

} // namespace
