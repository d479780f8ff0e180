// A seeded run of the whole engine compared with its recorded trace: the generator's 60 flights
// and 300-stand park airport, 30,000 ticks through the real hooks, the per-second work every 100
// ticks and the twin pass every 61 s as the main loop runs them. The trace holds every call of
// the fake link with its tick and one checksum of the position writes per 100 ticks, so a change
// of the engine's bookkeeping that changes any output shows as the first differing line.
// KSBY_REWRITE_ENGINE_TRACE=1 writes the file anew instead; a rewritten file is a reviewed change.
#include "app/main_loop.h"
#include "traffic/aircraft_index.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include "support/traffic_generator.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

constexpr int kTraceFlights = 60;
constexpr std::uint32_t kTraceSeed = 31;
constexpr int kTraceTicks = 30000;
constexpr int kTraceTicksPerSecond = 100;
constexpr int kTraceTwinPassTicks = 61 * kTraceTicksPerSecond;

// FNV-1a over the bit patterns of every written value.
class WriteChecksum {
public:
    void add(const std::vector<PositionUpdate>& writes) {
        for (const PositionUpdate& w : writes) {
            for (const double v : {w.latitude, w.longitude, w.pitch, w.bank, w.heading, w.altitude,
                                   w.verticalSpeed, w.trueAirspeed}) {
                mix(std::bit_cast<std::uint64_t>(v));
            }
            mix(w.objectId);
            ++count_;
        }
    }
    std::string take() {
        const std::string text = fmt::format("{} writes {:016x}", count_, hash_);
        hash_ = kOffset;
        count_ = 0;
        return text;
    }

private:
    static constexpr std::uint64_t kOffset = 0xcbf29ce484222325ULL;
    void mix(std::uint64_t value) {
        for (int i = 0; i < 8; ++i) {
            hash_ ^= (value >> (8 * i)) & 0xffU;
            hash_ *= 0x100000001b3ULL;
        }
    }
    std::uint64_t hash_ = kOffset;
    int count_ = 0;
};

std::vector<std::string> lf_traceRun() {
    GeneratedLoad load(kTraceFlights, kTraceSeed);
    FakeTrafficLink& link = load.harness().link();
    std::vector<std::string> lines;
    lines.push_back(fmt::format("flights {} planned statics {}", kTraceFlights,
                                load.plannedStatics()));
    // Flight-plan paths lie in the run's temporary folder.
    std::string folder;
    {
        std::lock_guard lock(trafficState.flightPlanFolderMutex);
        folder = trafficState.flightPlanFolder.string();
    }
    const auto text = [&folder](const LinkCall& call) {
        std::string line = fmt::format("{} {}", call.tick, call.text());
        for (std::size_t at = line.find(folder); !folder.empty() && at != std::string::npos;
             at = line.find(folder)) {
            line.replace(at, folder.size(), "<plans>");
        }
        return line;
    };
    WriteChecksum checksum;
    std::size_t taken = 0;
    for (int i = 0; i < kTraceTicks; ++i) {
        load.cycle();
        checksum.add(link.sendList());
        link.setSendList({});
        const std::int64_t tick = load.ticks();
        if (tick % kTraceTicksPerSecond == 0) {
            ::lf_everySecond();
        }
        if (tick % kTraceTwinPassTicks == 0) {
            std::lock_guard traffic(trafficState.trafficMutex);
            if (!trafficState.statics.empty()) {
                for (LiveAircraft& aircraft : trafficState.live) {
                    lf_removeStaticTwinOfLive(aircraft);
                }
            }
        }
        if (tick % kTraceTicksPerSecond == 0) {
            {
                // The lookups fall back to a walk, so a stale index would not show in the calls.
                std::lock_guard traffic(trafficState.trafficMutex);
                EXPECT_EQ(gf_aircraftIndexMismatch(), "") << "after tick " << tick;
            }
            const std::vector<LinkCall> calls = link.calls();
            for (; taken < calls.size(); ++taken) {
                lines.push_back(text(calls[taken]));
            }
            lines.push_back(fmt::format("{} positions {}", tick, checksum.take()));
        }
    }
    std::lock_guard traffic(trafficState.trafficMutex);
    lines.push_back(fmt::format("end live {} statics {}", trafficState.live.size(),
                                trafficState.statics.size()));
    return lines;
}

std::vector<std::string> lf_readTrace(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(EngineTrace, SeededRunReproducesTheRecordedTrace) {
    const std::vector<std::string> run = lf_traceRun();
    const char* rewrite = std::getenv("KSBY_REWRITE_ENGINE_TRACE");
    if (rewrite != nullptr && std::string(rewrite) == "1") {
        std::ofstream out(KSBY_ENGINE_TRACE_FILE, std::ios::trunc);
        for (const std::string& line : run) {
            out << line << '\n';
        }
        ASSERT_TRUE(out.good()) << "could not write " << KSBY_ENGINE_TRACE_FILE;
        GTEST_SKIP() << "rewrote " << KSBY_ENGINE_TRACE_FILE << " (" << run.size() << " lines)";
    }
    const std::vector<std::string> recorded = lf_readTrace(KSBY_ENGINE_TRACE_FILE);
    ASSERT_FALSE(recorded.empty()) << "no trace at " << KSBY_ENGINE_TRACE_FILE;
    for (std::size_t i = 0; i < std::min(run.size(), recorded.size()); ++i) {
        ASSERT_EQ(run[i], recorded[i]) << "first difference at line " << i + 1;
    }
    EXPECT_EQ(run.size(), recorded.size());
}

} // namespace
} // namespace ksb::test
