// A poll answer of 2,000 live records: the JSON parse plus processLine for every member, as the
// Traffic Reader does it. Budget: 1% of the default poll interval (2000 ms), so 20 ms; the
// counter "budget" is the measured time as a share of it.
#include "feed/process_line.h"
#include "feed/rt_clients.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <string>

namespace {

constexpr int kRecords = 2000;
constexpr double kBudgetSeconds = 0.020;

// Records spread over 40 NM around EHAM, a quarter on the ground near it, every tenth with the
// texts the service leaves empty.
std::string makeAnswer() {
    nlohmann::json data = nlohmann::json::object();
    for (int i = 0; i < kRecords; ++i) {
        const double angle = i * 2.399963229728653;
        const double radius = (i % 4 == 0 ? 0.03 : 0.6) * ((i % 97) + 1) / 97.0;
        const bool ground = i % 4 == 0;
        const bool blank = i % 10 == 0;
        const std::string hex = fmt::format("{:06x}", 0x4b0001 + i);
        nlohmann::json record =
            nlohmann::json::array({hex,
                                   52.3086 + radius * std::cos(angle),
                                   4.7639 + radius * std::sin(angle) * 1.6,
                                   std::fmod(i * 7.3, 360.0),
                                   ground ? 0 : 1500 + (i * 37) % 33000,
                                   ground ? 12 : 140 + i % 300,
                                   "1200",
                                   "A",
                                   i % 3 == 0 ? "B738" : "A320",
                                   blank ? "null" : fmt::format("PH-{:03}", i % 1000),
                                   1765368000.25 + i % 30,
                                   blank ? "null" : "EHAM",
                                   blank ? "null" : "EGLL",
                                   fmt::format("KLM{}", i),
                                   nullptr,
                                   (i % 5) * 100,
                                   nullptr,
                                   i % 2 == 0 ? "adsb_icao" : "mlat",
                                   ground ? 0 : 1550 + (i * 37) % 33000,
                                   nullptr,
                                   i % 7 == 0 ? -1 : 250,
                                   nullptr,
                                   nullptr,
                                   (i % 11) - 5,
                                   nullptr,
                                   std::fmod(i * 7.3, 360.0),
                                   nullptr,
                                   nullptr,
                                   "A3"});
        data[hex] = std::move(record);
    }
    return nlohmann::json{{"status", 200}, {"rrl", 2000}, {"full_count", kRecords}, {"data", data}}
        .dump();
}

void BM_FeedParse(benchmark::State& state) {
    const std::string answer = makeAnswer();
    ksb::RtTrafficClient client;
    ksb::FeedContext context;
    context.reference = Position{52.3086, 4.7639};
    context.liveRange = 40.0;
    context.parkIcao = "EHAM";
    context.parkPosition = Position{52.3086, 4.7639};
    context.parkElevation = -11.0;
    std::size_t kept = 0;
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const nlohmann::json parsed = nlohmann::json::parse(answer);
        for (const auto& member : parsed.at("data").items()) {
            processLine(client, member.value(), context);
        }
        kept = client.liveRecords.size();
        client.liveRecords.clear();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["kept"] = static_cast<double>(kept);
    state.counters["budget"] = seconds / static_cast<double>(state.iterations()) / kBudgetSeconds;
}
BENCHMARK(BM_FeedParse)->Unit(benchmark::kMillisecond);

} // namespace
