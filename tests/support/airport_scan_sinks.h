#pragma once
// Sinks for the BGL decoder: one that records every call in order, one that only counts.
#include "airports/airport_scan_sink.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ksb::test {

struct AirportSinkCall {
    enum class Kind { link, generate, line };
    Kind kind = Kind::line;
    std::string ident;     // link and generate
    std::string bglPath;   // link: the path given
    ScannedAirport airport; // generate: a copy, stands in decoded order
    std::string line;      // line

    bool operator==(const AirportSinkCall& other) const;
};

class RecordingAirportScanSink : public ksb::AirportScanSink {
public:
    struct LinkAnswer {
        bool linked = false;
        int archivedStandCount = 0;
    };
    // Answers per ident; not linked with 0 stands for any other.
    std::map<std::string, LinkAnswer> answers;
    // The publisher the link call fills in.
    std::string publisher = "unknown";
    // The call (0-based, over all kinds) that throws std::runtime_error("sink failure").
    std::optional<std::size_t> throwOnCall;

    bool linkArchivedAirport(ScannedAirport& airport, int& archivedStandCount,
                             std::string_view bglPath) override;
    void generateApf(ScannedAirport& airport) override;
    void addScanLogLine(std::string line) override;

    std::vector<AirportSinkCall> calls() const;
    std::vector<ScannedAirport> generated() const;
    std::vector<std::string> lines() const;
    std::vector<std::string> linkedIdents() const;

private:
    void record(AirportSinkCall call);
    std::vector<AirportSinkCall> callsOf(AirportSinkCall::Kind kind) const;

    mutable std::mutex mutex_;
    std::vector<AirportSinkCall> calls_;
};

// Counts and answers "not linked"; writes nothing.
class CountingAirportScanSink : public ksb::AirportScanSink {
public:
    bool linkArchivedAirport(ScannedAirport& airport, int& archivedStandCount,
                             std::string_view bglPath) override;
    void generateApf(ScannedAirport& airport) override;
    void addScanLogLine(std::string line) override;

    std::atomic<std::int64_t> airports{0};
    std::atomic<std::int64_t> stands{0};
    std::atomic<std::int64_t> lines{0};
};

} // namespace ksb::test
